#!/usr/bin/env python3
"""Writes the expected pages of the worked example: one ZIP row at C:\\R, drive letters kept,
header and footer off, report named LISTE.htm (Windows-1252, CR LF)."""
import os

here = os.path.join(os.path.dirname(os.path.abspath(__file__)), "worked_example")
os.makedirs(here, exist_ok=True)

pages = {
    "LISTE.htm": [
        "<HTML><HEAD><TITLE>Liste des exécutables et archives ZIP du répertoire : C:\\</TITLE></HEAD>",
        '<FRAMESET ROWS="55, 45" BORDER=5 FRAMEBORDER="YES" FRAMESPACING=5>',
        '<FRAME SCROLLING=AUTO SRC="LISTE_tableaux.htm" NAME="table">',
        '<FRAME SCROLLING=AUTO SRC="LISTE_donnees.htm" NAME="data">',
        "</FRAMESET></HTML>",
    ],
    "LISTE_tableaux.htm": [
        '<CENTER><H3><A HREF="LISTE_donnees.htm#ZIP" TARGET="data">Liste des archives ZIP</A></H3></CENTER>',
        "<TABLE BORDER=2 CELLSPACING=1 CELLPADDING=3 WIDTH=98%>",
        "<P><TR>",
        "<TD ALIGN=CENTER><B> Taille en Ko</B></TD>",
        "<TD ALIGN=CENTER><B> Emplacement</B></TD>",
        "<TD ALIGN=CENTER><B> Fichier</B></TD>",
        "<TD ALIGN=CENTER><B> Date</B></TD>",
        "</TR>",
        "<P><TR>",
        "<TD>12</TD>",
        '<TD><A HREF="LISTE_donnees.htm#C__R_T2R1" TARGET="data">C:\\R</A></TD>',
        "<TD> Outils.zip</TD>",
        "<TD>01/02/1998</TD>",
        "</TR>",
        "</TABLE></P>",
    ],
    "LISTE_donnees.htm": [
        '<CENTER><H3><A NAME="ZIP">Informations sur les archives ZIP</H3></CENTER>',
        "<TABLE BORDER=2 CELLSPACING=1 CELLPADDING=3 WIDTH=98%>",
        "<TR><TD ALIGN=CENTER COLSPAN=2>",
        '<H3><A NAME="C__R_T2R1"><B>C:\\R</B></H3></TD></TR>',
        "<TR VALIGN=TOP><TD><KBD>",
        'Outils &eacute;l&eacute;mentaires<BR>Version 2 : voir  <A HREF="http://outils.fr">http://outils.fr</A>',
        "</KBD>",
        "</TD><TD ALIGN=CENTER>",
        "<BR><BR><BR>",
        "</TD></TR>",
        "</TABLE><BR>",
        "<BR><HR SIZE=4>",
    ],
}

for name, lines in pages.items():
    with open(os.path.join(here, name), "wb") as f:
        f.write("".join(line + "\r\n" for line in lines).encode("cp1252"))

# The readme that stands beside the archive (Windows-1252, CR LF).
with open(os.path.join(here, "readme.txt"), "wb") as f:
    f.write("Outils élémentaires\r\nVersion 2 : voir http://outils.fr\r\n".encode("cp1252"))
