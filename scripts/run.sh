#!/usr/bin/env bash
# Installs what is missing, builds, and runs Quarex on a directory (the sample disc by default).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/setup.sh"
"$root/scripts/build.sh" "$root/build" >/dev/null
target="${1:-$root/samples/disc}"
if [ -x "$root/build/src/ui/quarex" ] && { [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; }; then
    exec "$root/build/src/ui/quarex" "$target"
fi
exec "$root/build/quarex-scan" --format txt "$target"
