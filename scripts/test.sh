#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite twice: a normal build
# (core and window tests) and an AddressSanitizer + UndefinedBehaviorSanitizer build of the core.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/setup.sh"

"$root/scripts/build.sh" "$root/build"
(cd "$root/build" && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j"$(nproc)")

"$root/scripts/build.sh" "$root/build-asan" -DQUAREX_SANITIZE=ON -DQUAREX_BUILD_GUI=OFF
(cd "$root/build-asan" && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --output-on-failure -j"$(nproc)")
