#!/usr/bin/env python3
"""Writes io/CodePageTables.inc: the upper halves of the single-byte Windows code pages, as Unicode
code points, for systems that have no conversion of their own. A byte a code page leaves unassigned
stands for the control character of the same number, as Windows converts it.

Usage: scripts/make-codepage-tables.py > io/CodePageTables.inc
"""
import sys

PAGES = [874, 1250, 1251, 1252, 1253, 1254, 1255, 1256, 1257, 1258]

out = sys.stdout
out.write("// Made by scripts/make-codepage-tables.py; do not edit. The code points of the bytes 0x80 to\n")
out.write("// 0xFF of each single-byte Windows code page.\n")
out.write("struct CodePageTable {\n    unsigned Page;\n    unsigned short High[128];\n};\n\n")
out.write("constexpr CodePageTable kCodePageTables[] = {\n")
for page in PAGES:
    points = []
    for byte in range(0x80, 0x100):
        try:
            points.append(ord(bytes([byte]).decode("cp%d" % page)))
        except UnicodeDecodeError:
            points.append(byte)
    out.write("    {%d,\n     {" % page)
    for i, point in enumerate(points):
        if i:
            out.write(",\n      " if i % 12 == 0 else ", ")
        out.write("0x%04X" % point)
    out.write("}},\n")
out.write("};\n")
