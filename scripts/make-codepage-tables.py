#!/usr/bin/env python3
"""Writes the tables of io/CodePages.cpp: every Windows code page that --codepage takes, as Windows
converts it to Unicode, for systems that have no conversion of their own. The build runs it; the
tables are made from Python's codecs, which hold the mappings Microsoft published, and from what those
leave out and Windows still converts:

- a byte or pair that the mapping leaves unassigned where Windows gives it a private-use character
  (the user-defined areas of the double-byte pages, some bytes of the single-byte ones) or, in the
  single-byte pages, the control character of the same number;
- in a double-byte page, a lead byte before a byte that can follow it but makes no character with it
  gives the page's default character for the two, and a lead byte before one that cannot follow it
  (or at the end) gives it for itself alone, the next byte read on its own.

Usage: scripts/make-codepage-tables.py OUTPUT
"""
import sys

SINGLE = [874, 1250, 1251, 1252, 1253, 1254, 1255, 1256, 1257, 1258]


def spans(*pairs):
    out = []
    for first, last in pairs:
        out.extend(range(first, last + 1))
    return out


# Double-byte pages: their lead bytes, the bytes that may follow one, the default character, the
# user-defined areas Windows maps to the private-use area in order (lead bytes, following bytes,
# first character), and where a page gives every other pair nothing maps a private-use character of
# its own, in order, the first of those.
DOUBLE = {
    932: dict(leads=spans((0x81, 0x9F), (0xE0, 0xFC)), trails=spans((0x40, 0x7E), (0x80, 0xFC)),
              default=0x30FB, areas=[], rest=None),
    936: dict(leads=spans((0x81, 0xFE)), trails=spans((0x40, 0x7E), (0x80, 0xFE)), default=0x3F,
              areas=[(spans((0xAA, 0xAF)), spans((0xA1, 0xFE)), 0xE000),
                     (spans((0xF8, 0xFE)), spans((0xA1, 0xFE)), 0xE234),
                     (spans((0xA1, 0xA7)), spans((0x40, 0x7E), (0x80, 0xA0)), 0xE4C6)], rest=0xE766),
    949: dict(leads=spans((0x81, 0xFE)), trails=spans((0x41, 0x5A), (0x61, 0x7A), (0x81, 0xFE)),
              default=0x3F,
              areas=[(spans((0xC9, 0xC9)), spans((0xA1, 0xFE)), 0xE000),
                     (spans((0xFE, 0xFE)), spans((0xA1, 0xFE)), 0xE05E)], rest=None),
    950: dict(leads=spans((0x81, 0xFE)), trails=spans((0x40, 0x7E), (0xA1, 0xFE)), default=0x3F,
              areas=[(spans((0xFA, 0xFE)), spans((0x40, 0x7E), (0xA1, 0xFE)), 0xE000),
                     (spans((0x8E, 0xA0)), spans((0x40, 0x7E), (0xA1, 0xFE)), 0xE311),
                     (spans((0x81, 0x8D)), spans((0x40, 0x7E), (0xA1, 0xFE)), 0xEEB8),
                     (spans((0xC6, 0xC6)), spans((0xA1, 0xFE)), 0xF6B1),
                     (spans((0xC7, 0xC8)), spans((0x40, 0x7E), (0xA1, 0xFE)), 0xF70F)], rest=None),
}

# Single bytes the published mappings leave out and Windows converts all the same.
WINDOWS_BYTES = {
    874: {0xDB: 0xF8C1, 0xDC: 0xF8C2, 0xDD: 0xF8C3, 0xDE: 0xF8C4, 0xFC: 0xF8C5, 0xFD: 0xF8C6, 0xFE: 0xF8C7,
          0xFF: 0xF8C8},
    1253: {0xAA: 0xF8F9, 0xD2: 0xF8FA, 0xFF: 0xF8FB},
    1255: {0xCA: 0x05BA, 0xD9: 0xF88D, 0xDA: 0xF88E, 0xDB: 0xF88F, 0xDC: 0xF890, 0xDD: 0xF891, 0xDE: 0xF892,
           0xDF: 0xF893, 0xFB: 0xF894, 0xFC: 0xF895, 0xFF: 0xF896},
    1257: {0xA1: 0xF8FC, 0xA5: 0xF8FD},
    932: {0x80: 0x0080, 0xA0: 0xF8F0, 0xFD: 0xF8F1, 0xFE: 0xF8F2, 0xFF: 0xF8F3},
    936: {0x80: 0x20AC, 0xFF: 0xF8F5},
    949: {0x80: 0x0080, 0xFF: 0xF8F7},
    950: {0x80: 0x0080, 0xFF: 0xF8F8},
}


def decoded(page, sequence):
    """The one character `sequence` is in the page, or None."""
    try:
        text = sequence.decode("cp%d" % page)
    except UnicodeDecodeError:
        return None
    return ord(text) if len(text) == 1 and ord(text) <= 0xFFFF else None


def single_bytes(page, missing):
    extra = WINDOWS_BYTES.get(page, {})
    points = []
    for byte in range(256):
        point = extra.get(byte, decoded(page, bytes([byte])))
        points.append(missing(byte) if point is None else point)
    return points


def rows(page, spec):
    area = {}
    for leads, trails, first in spec["areas"]:
        for lead in leads:
            for trail in trails:
                area[(lead, trail)] = first
                first += 1
    rest = spec["rest"]
    table = []
    for lead in spec["leads"]:
        row = [0] * 0xC0  # bytes 0x40 to 0xFF after the lead byte; 0: cannot follow it
        for trail in spec["trails"]:
            point = area.get((lead, trail))
            if point is None:
                point = decoded(page, bytes([lead, trail]))
            if point is None and rest is not None:
                point, rest = rest, rest + 1
            row[trail - 0x40] = spec["default"] if point is None else point
        table.append(row)
    return table


def write_array(out, ctype, name, values):
    out.write("const %s %s[] = {" % (ctype, name))
    for i, value in enumerate(values):
        out.write(("\n    " if i % 16 == 0 else " ") + "0x%X," % value)
    out.write("\n};\n")


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: make-codepage-tables.py OUTPUT")
    with open(sys.argv[1], "w", encoding="ascii", newline="\n") as out:
        out.write("// Made by scripts/make-codepage-tables.py at build time; do not edit.\n")
        entries = []
        for page in SINGLE:
            write_array(out, "char16_t", "kSingle%d" % page, single_bytes(page, lambda byte: byte))
            entries.append("{%d, kSingle%d, nullptr, nullptr}" % (page, page))
        for page, spec in DOUBLE.items():
            leads = [0] * 256
            for number, lead in enumerate(spec["leads"]):
                leads[lead] = number + 1
            write_array(out, "char16_t", "kSingle%d" % page,
                        single_bytes(page, lambda byte: spec["default"]))
            write_array(out, "unsigned char", "kLeads%d" % page, leads)
            write_array(out, "char16_t", "kPairs%d" % page, [p for row in rows(page, spec) for p in row])
            entries.append("{%d, kSingle%d, kLeads%d, kPairs%d}" % (page, page, page, page))
        out.write("const CodePageTable kCodePageTables[] = {\n    %s,\n};\n" % ",\n    ".join(entries))


main()
