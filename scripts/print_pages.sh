#!/usr/bin/env bash
# Prints the executables table of the sample disc the way the Imprimer button does, to PNG pages to look at:
#   scripts/print_pages.sh [BUILD_DIR] [OUT_DIR]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build}"
out="${2:-$build/print-pages}"
mkdir -p "$out"
rm -f "$out"/executables*.png "$out"/executables.pdf
QT_QPA_PLATFORM=offscreen QUAREX_KEEP_PDF="$out" "$build/tests/print_preview_test" sampleDiscExecutablesTable >/dev/null
pdftoppm -r 90 -png "$out/executables.pdf" "$out/executables"
ls "$out"/executables*.png
