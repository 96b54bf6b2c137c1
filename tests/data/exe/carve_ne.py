#!/usr/bin/env python3
"""Carves a 16-bit NE module out of one of Debian wine32's *.exe16/*.dll16/*.drv16 files.

Those files are PE wrappers holding a complete NE module at a page-aligned offset (a second "MZ").
The carved file keeps the MS-DOS and NE headers, the NE tables and every resource, and stops after
the last resource; code segments that lie further are left out (the reader never looks at them).
Usage: carve_ne.py SOURCE DEST
"""
import struct
import sys


def main(source, dest):
    data = open(source, "rb").read()
    start = data.find(b"MZ", 1)
    while start >= 0 and start % 512:
        start = data.find(b"MZ", start + 1)
    if start < 0:
        sys.exit("no NE module in " + source)
    module = data[start:]
    ne = struct.unpack_from("<I", module, 0x3C)[0]
    if module[ne:ne + 2] != b"NE":
        sys.exit("no NE header in " + source)
    # The tables that follow the NE header end with the entry table.
    entry_table = ne + struct.unpack_from("<H", module, ne + 0x04)[0]
    entry_length = struct.unpack_from("<H", module, ne + 0x06)[0]
    end = entry_table + entry_length
    table = ne + struct.unpack_from("<H", module, ne + 0x24)[0]
    names = ne + struct.unpack_from("<H", module, ne + 0x26)[0]
    if table != names:
        shift = struct.unpack_from("<H", module, table)[0]
        pos = table + 2
        while True:
            kind, count = struct.unpack_from("<HH", module, pos)
            if kind == 0:
                break
            pos += 8
            for _ in range(count):
                offset, length = struct.unpack_from("<HH", module, pos)
                end = max(end, (offset << shift) + (length << shift))
                pos += 12
    with open(dest, "wb") as f:
        f.write(module[:end])


if __name__ == "__main__":
    main(sys.argv[1], sys.argv[2])
