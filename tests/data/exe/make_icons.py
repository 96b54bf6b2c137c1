#!/usr/bin/env python3
"""Draws the .ico files that the fixtures and the sample programs embed (into src/).

Each icon holds several images: palette DIBs (4 and 8 bits), 32-bit DIBs with alpha, and a 256x256 PNG.
faux.ico holds a directory whose claims (size, bit count, colours) disagree with its images on purpose.
"""
import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "src")

VGA = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128), (0, 128, 128),
       (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0), (0, 0, 255), (255, 0, 255),
       (0, 255, 255), (255, 255, 255)]


def palette_for(bpp):
    if bpp == 4:
        return VGA
    if bpp == 1:
        return [(0, 0, 0), (255, 255, 255)]
    # 8 bits: the 16 VGA colours, then a 6x6x6 cube
    cube = [(r * 51, g * 51, b * 51) for r in range(6) for g in range(6) for b in range(6)]
    return (VGA + cube + [(0, 0, 0)] * 256)[:256]


def nearest(pal, rgb):
    return min(range(len(pal)), key=lambda i: sum((a - b) ** 2 for a, b in zip(pal[i], rgb)))


def dib(size, bpp, draw):
    """An icon image as Windows stores it: BITMAPINFOHEADER with doubled height, colours, mask."""
    w = h = size
    pixels = [[draw(x, y, size) for x in range(w)] for y in range(h)]
    header = struct.pack("<IiiHHIIiiII", 40, w, 2 * h, 1, bpp, 0, 0, 0, 0, 0, 0)
    body = b""
    if bpp <= 8:
        pal = palette_for(bpp)
        body += b"".join(struct.pack("BBBB", b, g, r, 0) for (r, g, b) in pal)
        stride = ((w * bpp + 31) // 32) * 4
        for y in reversed(range(h)):
            bits = 0
            nbits = 0
            row = bytearray()
            for x in range(w):
                r, g, b, a = pixels[y][x]
                bits = (bits << bpp) | nearest(pal, (r, g, b))
                nbits += bpp
                if nbits == 8:
                    row.append(bits)
                    bits = nbits = 0
            if nbits:
                row.append(bits << (8 - nbits))
            body += bytes(row) + b"\0" * (stride - len(row))
    else:
        for y in reversed(range(h)):
            body += b"".join(struct.pack("BBBB", b, g, r, a) for (r, g, b, a) in pixels[y])
    mask_stride = ((w + 31) // 32) * 4
    for y in reversed(range(h)):
        row = bytearray(mask_stride)
        for x in range(w):
            if pixels[y][x][3] < 128:
                row[x // 8] |= 0x80 >> (x % 8)
        body += bytes(row)
    return header + body


def png(size, draw):
    raw = b"".join(b"\0" + b"".join(struct.pack("BBBB", *draw(x, y, size)) for x in range(size))
                   for y in range(size))

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)

    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def ico(images):
    """images: (width, height, colours, planes, bitcount, bytes) as the directory shall claim them."""
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for (w, h, colours, planes, bits, data) in images:
        out += struct.pack("<BBBBHHII", w % 256, h % 256, colours, 0, planes, bits, len(data), offset)
        offset += len(data)
    return out + b"".join(img[5] for img in images)


def honest(sizes, draw):
    images = []
    for size, bpp in sizes:
        if bpp == "png":
            images.append((size, size, 0, 1, 32, png(size, draw)))
        else:
            images.append((size, size, 16 if bpp == 4 else 0, 1, bpp, dib(size, bpp, draw)))
    return ico(images)


def disc(x, y, size):
    """A blue disc with a yellow square: the test application."""
    c = (size - 1) / 2
    inside = (x - c) ** 2 + (y - c) ** 2 <= (size / 2) ** 2
    if abs(x - c) < size / 6 and abs(y - c) < size / 6:
        return (255, 255, 0, 255)
    return (0, 0, 200, 255) if inside else (0, 0, 0, 0)


def calculator(x, y, size):
    u = size / 16
    if not (2 * u <= x < 14 * u and u <= y < 15 * u):
        return (0, 0, 0, 0)
    if 3 * u <= x < 13 * u and 2 * u <= y < 5 * u:
        return (160, 220, 160, 255)  # screen
    if y >= 6 * u and 3 * u <= x < 13 * u and int(x / u) % 3 != 0 and int(y / u) % 3 != 2:
        return (240, 240, 240, 255)  # keys
    return (70, 70, 90, 255)


def board(x, y, size):
    cell = max(1, size // 8)
    if ((x // cell) + (y // cell)) % 2:
        return (120, 60, 20, 255)
    return (240, 220, 170, 255)


def clock(x, y, size):
    c = (size - 1) / 2
    d2 = (x - c) ** 2 + (y - c) ** 2
    r = size / 2
    if d2 > r * r:
        return (0, 0, 0, 0)
    if d2 > (0.85 * r) ** 2:
        return (180, 0, 0, 255)
    if abs(x - c) < max(1, size / 32) and y <= c:
        return (0, 0, 0, 255)
    if abs(y - c) < max(1, size / 32) and x >= c and x - c < 0.6 * r:
        return (0, 0, 0, 255)
    return (255, 255, 255, 255)


def main():
    os.makedirs(OUT, exist_ok=True)
    icons = {
        "appli.ico": honest([(16, 4), (32, 8), (48, 32), (256, "png")], disc),
        "calcul.ico": honest([(16, 4), (32, 8), (32, 32), (48, 32), (256, "png")], calculator),
        "dames.ico": honest([(16, 8), (32, 32), (48, 32)], board),
        "horloge.ico": honest([(16, 32), (32, 32), (256, "png")], clock),
        # Claims that disagree with the images: a 32x32 32-bit DIB said to be 256x256 with bit count 0 and
        # 16 colours, a 16x16 8-bit DIB said to be 48x48 in 4 bits, a 64x64 PNG said to be 16x16 in 8 bits.
        "faux.ico": ico([(256, 256, 16, 0, 0, dib(32, 32, disc)),
                         (48, 48, 16, 1, 4, dib(16, 8, disc)),
                         (16, 16, 0, 1, 8, png(64, disc))]),
    }
    for name, data in icons.items():
        with open(os.path.join(OUT, name), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main()
