#!/usr/bin/env python3
"""Builds samples/disc: a small CD-ROM tree of old software for trying Quarex.

Text files are written in Windows-1252 with CR LF line ends, as on the discs of the time.
Executables made here are plain MS-DOS programs (a few bytes of code); executables with
version resources and icons are built from sources in tests/data/exe and copied in beside.
Run it again to rebuild the tree: python3 samples/make_sample_disc.py
"""
import os
import struct
import zipfile

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "disc")
STAMP = (1997, 6, 14, 10, 30, 0)


def dos_program(message):
    """A minimal MS-DOS .EXE that prints a message and exits."""
    text = message.encode("cp437") + b"\r\n$"
    # mov dx, msg ; mov ah, 9 ; int 21h ; mov ax, 4C00h ; int 21h
    code = b"\xBA\x0D\x00\xB4\x09\xCD\x21\xB8\x00\x4C\xCD\x21\x90" + text
    size = 64 + len(code)
    header = struct.pack("<2sHHHHHHHHHHHHH", b"MZ", size % 512, (size + 511) // 512, 0, 4, 0, 0xFFFF,
                         0, 0xB8, 0, 0, 0, 0x3E, 0)
    header += b"\0" * (64 - len(header))
    return header + code


def write(rel, data, mtime=STAMP):
    path = os.path.join(ROOT, rel)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    if isinstance(data, str):
        data = data.replace("\r\n", "\n").replace("\n", "\r\n").encode("cp1252")
    with open(path, "wb") as f:
        f.write(data)
    import time
    t = time.mktime(mtime + (0, 0, -1))
    os.utime(path, (t, t))


def archive(rel, members):
    path = os.path.join(ROOT, rel)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as z:
        for name, text in members.items():
            info = zipfile.ZipInfo(name, date_time=STAMP)
            info.compress_type = zipfile.ZIP_DEFLATED
            z.writestr(info, text.replace("\n", "\r\n").encode("cp1252"))


def main():
    # An office suite installed with a script that names the product.
    write("BUREAU/TEXTOR/SETUP.EXE", dos_program("Installation de Textor"))
    write("BUREAU/TEXTOR/SETUP.LST", "[Setup]\nTitle=\n\n[Params]\nWndTitle=Textor 2.0 - Traitement de texte\n")
    write("BUREAU/TEXTOR/README.TXT", "Textor 2.0 pour Windows 3.1\n\nLisez attentivement ce fichier avant l'installation.\n"
          "Configuration minimale : 386SX, 4 Mo de mémoire, 6 Mo d'espace disque.\n")
    write("BUREAU/TEXTOR/logiciel.txt", "Textor\nVersion : 2.0 révision B\n")
    write("BUREAU/TABLEUR/INSTALL.EXE", dos_program("Installation du tableur"))
    write("BUREAU/TABLEUR/INSTALL.INF", "[INSTALL]\nAPPNAME=Calculus, le tableur économique\n")

    # A game on two disks, with its description file and a readme in French.
    write("JEUX/SOLITR/DISK1/SETUP.EXE", dos_program("Solitaire"))
    write("JEUX/SOLITR/DISK1/file_id.diz", "**********************************\nSolitaire Royal 1.3 - 12 réussites\n"
          "Jeu de cartes pour Windows 95\n")
    write("JEUX/SOLITR/DISK1/lisezmoi.txt", "Solitaire Royal\n===============\n\nInsérez la disquette 2 quand le "
          "programme le demande.\n")
    archive("JEUX/SOLITR/DISK2/CARTES.ZIP", {"CARTES.DAT": "donnees\n", "LISEZMOI.TXT": "Cartes de Solitaire Royal.\n"})
    write("JEUX/ECHECS/WIN95/SETUP.EXE", dos_program("Echecs"))
    write("JEUX/ECHECS/WIN95/SETUP.INI", "[Startup]\nAppName=Échecs & Mat 95\n")
    write("JEUX/ECHECS/DOS/ECHECS.EXE", dos_program("Echecs pour MS-DOS"))

    # Shareware archives with their description files.
    archive("SHAREWAR/OUTILS.ZIP", {"FILE_ID.DIZ": "Outils disque v1.1\n", "DU.EXE": "x"})
    archive("SHAREWAR/POLICES.ZIP", {"README.TXT": "Polices TrueType libres.\n"})
    write("SHAREWAR/file_id.diz", "Sélection de partagiciels - juin 1997\n")
    write("SHAREWAR/readme.txt", "Partagiciels : essayez avant d'acheter.\n")

    # Utilities for MS-DOS, and an installer's helper that is never listed.
    write("DOS/UTIL/NETTOIE.EXE", dos_program("Nettoyage"))
    write("DOS/UTIL/_ISDEL.EXE", dos_program("helper"))
    write("DOS/UTIL/readme.txt", "#################################\nNettoie 3.0 : supprime les fichiers temporaires.\n")


if __name__ == "__main__":
    main()
