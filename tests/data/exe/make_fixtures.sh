#!/usr/bin/env bash
# Rebuilds the executables of this folder and the sample disc's programs from the sources in src/.
# Needs Debian's mingw-w64 (PE files) and, for the 16-bit NE files, wine32 (i386):
#   apt-get install mingw-w64 ; dpkg --add-architecture i386 && apt-get update && apt-get install wine32
# The tests only read the committed results; they need neither.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/../../.." && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

python3 "$here/make_icons.py"

# build NAME ARCH SUBSYSTEM [extra link options...]: src/NAME.rc + src/entry.c -> $work/NAME
build() {
    local name="$1" arch="$2" subsystem="$3" output="$4"
    shift 4
    local entry=entry
    [ "$arch" = i686 ] && entry=_entry
    (cd "$here/src" && "$arch-w64-mingw32-windres" -c 65001 "$name.rc" -O coff -o "$work/$name.o")
    "$arch-w64-mingw32-gcc" -Os -s -nostdlib -e "$entry" -Wl,--subsystem,"$subsystem" "$@" \
        "$here/src/entry.c" "$work/$name.o" -o "$output"
}

build fr32 i686 windows "$here/fr32.exe"
build langs64 x86_64 console "$here/langs64.exe"
build claims i686 console "$here/claims.exe"
build lib64 x86_64 windows "$here/lib64.dll" -shared

wine16=/usr/lib/i386-linux-gnu/wine/i386-windows
if [ -d "$wine16" ]; then
    python3 "$here/carve_ne.py" "$wine16/mouse.drv16" "$here/mouse.drv"
    python3 "$here/carve_ne.py" "$wine16/display.drv16" "$here/display.drv"
else
    echo "wine32 absent : mouse.drv et display.drv ne sont pas refaits" >&2
fi

# The sample disc's programs, dated like the rest of the disc.
disc="$root/samples/disc"
mkdir -p "$disc/UTILS/CALCUL" "$disc/UTILS/HORLOGE" "$disc/JEUX/DAMES"
build calcul i686 windows "$disc/UTILS/CALCUL/CALCUL.EXE"
build horloge x86_64 windows "$disc/UTILS/HORLOGE/HORLOGE.EXE"
build dames i686 windows "$disc/JEUX/DAMES/DAMES.EXE"
build dames_setup i686 windows "$disc/JEUX/DAMES/SETUP.EXE"
touch -d "1997-06-14 10:30:00" "$disc/UTILS/CALCUL/CALCUL.EXE" "$disc/UTILS/HORLOGE/HORLOGE.EXE" \
    "$disc/JEUX/DAMES/DAMES.EXE" "$disc/JEUX/DAMES/SETUP.EXE"
