#!/usr/bin/env python3
"""Generates a tree that looks like a shelf of shareware CD-ROMs, for the full-scan benchmark.

About 300,000 files of which about 36,000 are executables or ZIP archives (the rows of the tables).
Each product folder holds disk folders with SETUP.EXE and its setup script (SETUP.LST, SETUP.INI or
INSTALL.INF), readme files with various names and cases, logiciel.txt, and programs for Windows 95,
Windows 3.1 and MS-DOS. Windows programs are small PE32 files carrying a version resource; MS-DOS
programs have none. A few folders hold 500 executables beside one SETUP.LST.

Usage: make_scan_tree.py DIR [--scale F]   (F multiplies the number of CD folders; default 1)
"""
import os
import random
import struct
import sys


def utf16z(text):
    return text.encode("utf-16-le") + b"\0\0"


def pad4(data):
    return data + b"\0" * (-len(data) % 4)


def node(key, value=b"", value_length=0, text=True, children=()):
    body = struct.pack("<HHH", 0, value_length, 1 if text else 0) + utf16z(key)
    body = pad4(body) + value
    for child in children:
        body = pad4(body) + child
    return struct.pack("<H", len(body)) + body[2:]


def version_info(strings, version=(1, 0, 0, 0)):
    ms = (version[0] << 16) | version[1]
    ls = (version[2] << 16) | version[3]
    fixed = struct.pack("<13I", 0xFEEF04BD, 0x10000, ms, ls, ms, ls, 0x3F, 0, 0x40004, 1, 0, 0, 0)
    entries = [node(k, utf16z(v), len(v) + 1) for k, v in strings]
    table = node("040C04E4", children=entries)
    string_info = node("StringFileInfo", children=[table])
    var = node("Translation", struct.pack("<HH", 0x040C, 0x04E4), 4, text=False)
    var_info = node("VarFileInfo", children=[var])
    return node("VS_VERSION_INFO", fixed, len(fixed), text=False, children=[string_info, var_info])


def pe_with_version(strings, version):
    vs = version_info(strings, version)
    # Resource tree: type 16 -> id 1 -> language 0x40C -> data entry -> the block at 0x58.
    rsrc = struct.pack("<IIHHHH", 0, 0, 0, 0, 0, 1) + struct.pack("<II", 16, 0x80000018)
    rsrc += struct.pack("<IIHHHH", 0, 0, 0, 0, 0, 1) + struct.pack("<II", 1, 0x80000030)
    rsrc += struct.pack("<IIHHHH", 0, 0, 0, 0, 0, 1) + struct.pack("<II", 0x40C, 0x48)
    rsrc += struct.pack("<IIII", 0x1000 + 0x58, len(vs), 0, 0)
    rsrc += b"\0" * (0x58 - len(rsrc)) + vs
    raw_size = (len(rsrc) + 0x1FF) & ~0x1FF
    dos = bytearray(64)
    dos[0:2] = b"MZ"
    struct.pack_into("<I", dos, 0x3C, 0x40)
    coff = struct.pack("<HHIIIHH", 0x14C, 1, 0x30000000, 0, 0, 0xE0, 0x0102)
    opt = bytearray(0xE0)
    struct.pack_into("<HBB", opt, 0, 0x10B, 6, 0)
    struct.pack_into("<I", opt, 28, 0x400000)
    struct.pack_into("<II", opt, 32, 0x1000, 0x200)
    struct.pack_into("<HH", opt, 40, 4, 0)
    struct.pack_into("<HH", opt, 48, 4, 0)
    struct.pack_into("<II", opt, 56, 0x1000 + ((len(rsrc) + 0xFFF) & ~0xFFF), 0x200)
    struct.pack_into("<H", opt, 68, 2)
    struct.pack_into("<I", opt, 92, 16)
    struct.pack_into("<II", opt, 96 + 2 * 8, 0x1000, len(rsrc))
    section = b".rsrc\0\0\0" + struct.pack("<IIIIIIHHI", len(rsrc), 0x1000, raw_size, 0x200, 0, 0, 0, 0, 0x40000040)
    head = bytes(dos) + b"PE\0\0" + coff + bytes(opt) + section
    head += b"\0" * (0x200 - len(head))
    return head + rsrc + b"\0" * (raw_size - len(rsrc))


def dos_program(rng):
    return b"MZ" + bytes(rng.randrange(256) for _ in range(30))


WORDS = ["Super", "Mega", "Turbo", "Astro", "Pixel", "Archi", "Gestion", "Compta", "Jeu", "Atlas", "Dico",
         "Photo", "Music", "Tetra", "Flash", "Calc", "Note", "Agenda", "Ciel", "Vague"]


def product_name(rng):
    return " ".join(rng.choice(WORDS) for _ in range(2)) + " " + str(rng.randrange(1, 9))


class Tree:
    def __init__(self, root, seed=1995):
        self.root = root
        self.rng = random.Random(seed)
        self.files = 0
        self.rows = 0
        self.dirs = 0

    def write(self, path, data=b""):
        with open(path, "wb") as f:
            f.write(data)
        self.files += 1
        lower = path.lower()
        name = os.path.basename(lower)
        if (lower.endswith(".exe") or lower.endswith(".zip")) and name not in (
                "_isdel.exe", "_isetup.exe", "_mssetup.exe", "_mstest.exe", "expand.exe"):
            self.rows += 1

    def mkdir(self, path):
        os.makedirs(path, exist_ok=True)
        self.dirs += 1
        return path

    def program(self, path, description, product, version="1.0"):
        rng = self.rng
        parts = [int(p) for p in version.split(".") if p.isdigit()] + [0, 0, 0, 0]
        strings = [("CompanyName", rng.choice(WORDS) + " Software"), ("FileDescription", description),
                   ("FileVersion", version), ("InternalName", os.path.basename(path).split(".")[0]),
                   ("LegalCopyright", "Copyright 1996"), ("OriginalFilename", os.path.basename(path)),
                   ("ProductName", product), ("ProductVersion", version)]
        self.write(path, pe_with_version(strings, tuple(parts[:4])))

    def fillers(self, folder, count, extensions):
        for i in range(count):
            self.write(os.path.join(folder, "F%04d.%s" % (i, self.rng.choice(extensions))))

    def readme(self, folder, product):
        rng = self.rng
        kind = rng.randrange(6)
        name = ["README.TXT", "readme.txt", "Readme.Txt", "FILE_ID.DIZ", "LISEZMOI.TXT", None][kind]
        if name is None:
            return
        first = rng.choice([product + " - version complete", "=" * 40, "\t" + product + "\tshareware"])
        text = first + "\r\n" + product + " pour Windows\r\n" + "Blabla\r\n" * 20
        self.write(os.path.join(folder, name), text.encode("cp1252"))

    def product(self, folder, index):
        rng = self.rng
        product = product_name(rng)
        self.mkdir(folder)
        self.readme(folder, product)
        if rng.random() < 0.3:
            self.write(os.path.join(folder, "logiciel.txt"), ("Nom : %s\r\nVersion : 2.%d\r\n" % (
                product, rng.randrange(10))).encode("cp1252"))
        self.program(os.path.join(folder, "DEMO.EXE"), "", product, "0")
        self.write(os.path.join(folder, "PROD%04d.ZIP" % index), b"PK\3\4" + b"\0" * rng.randrange(2000))
        self.write(os.path.join(folder, "PATCH.ZIP"), b"PK\3\4")
        self.program(os.path.join(folder, "VIEWER.EXE"), "Visionneuse", product)
        self.fillers(folder, 14, ["TXT", "HLP", "DOC", "BMP", "WRI"])

        for disk in (1, 2, 3):
            d = self.mkdir(os.path.join(folder, "DISK%d" % disk))
            if disk == 1:
                choice = rng.randrange(4)
                description = rng.choice(["Programme d'amorçage de l'installation", "InstallShield",
                                          "Installation de " + product, ""])
                self.program(os.path.join(d, "SETUP.EXE"), description, product, "3.1")
                if choice == 0:
                    self.write(os.path.join(d, "SETUP.LST"), ("[Setup]\r\nTitle=\r\n[Params]\r\nWndTitle=%s\r\n"
                                                              % product).encode("cp1252"))
                elif choice == 1:
                    self.write(os.path.join(d, "setup.ini"), ("[Startup]\r\nAppName=%s\r\n" % product).encode())
                elif choice == 2:
                    self.write(os.path.join(d, "INSTALL.INF"), ("[INSTALL]\r\nAPPNAME=%s\r\n" % product).encode())
                self.write(os.path.join(d, "_MSSETUP.EXE"), b"MZ")
                self.program(os.path.join(d, "UNINST.EXE"), "Désinstallation", product, "1.2")
            else:
                self.program(os.path.join(d, "DECOMP.EXE"), "Décompresseur", product, "1.0")
                self.write(os.path.join(d, "DATA%d.ZIP" % disk), b"PK\3\4")
            self.fillers(d, 24, ["CAB", "DL_", "EX_", "HL_"])

        for system in ("WIN95", "WIN31", "DOS"):
            d = self.mkdir(os.path.join(folder, system))
            for i in range(5):
                name = os.path.join(d, "PROG%d.EXE" % i)
                if system == "DOS":
                    self.write(name, dos_program(rng))
                else:
                    self.program(name, product + " module %d" % i, product, "2.%d" % i)
            if rng.random() < 0.5:
                self.readme(d, product)
            self.fillers(d, 23, ["DLL", "DAT", "INI", "HLP"])

        for extra in ("DATA", "DOCS", "IMAGES"):
            d = self.mkdir(os.path.join(folder, extra))
            self.fillers(d, 20, ["DAT", "TXT", "BMP", "WAV", "MID"])

    def big_folder(self, folder, count):
        self.mkdir(folder)
        product = product_name(self.rng)
        self.write(os.path.join(folder, "SETUP.LST"), ("[Setup]\r\nTitle=%s\r\n" % product).encode())
        self.write(os.path.join(folder, "readme.txt"), b"Collection\r\n")
        for i in range(count):
            self.program(os.path.join(folder, "UTIL%03d.EXE" % i), "", product, "0")

    def build(self, cds=40, products=30):
        self.mkdir(self.root)
        for cd in range(cds):
            top = self.mkdir(os.path.join(self.root, "CD%02d" % (cd + 1)))
            for p in range(products):
                self.product(os.path.join(top, "PROD%03d" % p), cd * products + p)
            if cd % 3 == 0:
                self.big_folder(os.path.join(top, "COLLECTION"), 500)


def main():
    if len(sys.argv) < 2:
        print(__doc__)
        return 2
    scale = 1.0
    if len(sys.argv) > 3 and sys.argv[2] == "--scale":
        scale = float(sys.argv[3])
    tree = Tree(sys.argv[1])
    tree.build(cds=max(1, int(round(40 * scale))))
    print("%d files, %d directories, %d rows" % (tree.files, tree.dirs, tree.rows))
    return 0


if __name__ == "__main__":
    sys.exit(main())
