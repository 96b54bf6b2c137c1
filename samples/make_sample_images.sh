#!/usr/bin/env bash
# Builds images of samples/disc into samples/images (not kept in git): an ISO with Joliet names, the same as a
# BIN/CUE of raw MODE1/2352 sectors (EDC/ECC left zero), and a 1.44 MB FAT floppy.
# Try them with: quarex-scan samples/images/SHARE95.ISO, or quarex-scan --images samples/images
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
out="$here/images"
mkdir -p "$out"
genisoimage -quiet -J -R -V SHARE95 -o "$out/SHARE95.ISO" "$here/disc"
python3 - "$out/SHARE95.ISO" "$out/SHARE95.BIN" <<'PY'
import sys
data = open(sys.argv[1], "rb").read()
sync = b"\x00" + b"\xff" * 10 + b"\x00"
bcd = lambda n: ((n // 10) << 4) | (n % 10)
with open(sys.argv[2], "wb") as out:
    for i in range(len(data) // 2048):
        a = i + 150
        header = sync + bytes([bcd(a // 4500), bcd(a // 75 % 60), bcd(a % 75), 1])
        out.write(header + data[i * 2048:(i + 1) * 2048] + b"\0" * 288)
PY
printf 'FILE "SHARE95.BIN" BINARY\r\n  TRACK 01 MODE1/2352\r\n    INDEX 01 00:00:00\r\n' > "$out/SHARE95.CUE"
rm -f "$out/DISK1.IMA"
mkfs.fat -C -n DISK1 "$out/DISK1.IMA" 1440 >/dev/null
mcopy -s -m -i "$out/DISK1.IMA" "$here"/disc/* ::/
echo "Images écrites dans $out"
