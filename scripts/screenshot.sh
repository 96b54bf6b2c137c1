#!/usr/bin/env bash
# Starts the window under Xvfb on a directory (the sample disc by default), clicks Explorer and saves
# a picture of the window: scripts/screenshot.sh [BUILD_DIR] [DIRECTORY] [OUTPUT.png]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build}"
target="${2:-$root/samples/disc}"
output="${3:-$build/quarex-screenshot.png}"
program="$build/src/ui/quarex"
if [ ! -x "$program" ]; then
    echo "Programme introuvable : $program (construisez d'abord avec scripts/build.sh $build)" >&2
    exit 1
fi
rm -f "$output"
xvfb-run -a -s "-screen 0 1280x1024x24" "$program" --capture "$output" "$target"
if [ ! -s "$output" ]; then
    echo "Aucune image écrite : $output" >&2
    exit 1
fi
echo "$output"
