#!/usr/bin/env python3
"""Writes a large project for scripts/bench-window.sh: a makefile whose RESDEPEN macro lists FORMS
binary forms (continuation lines, ten names a line), each form with a help context of its own and
three components with one.

Usage: make-big-project.py FOLDER [FORMS]   (default 2000 forms; the makefile is FOLDER/Big.mak)
"""
import os
import struct
import sys


def short_string(text):
    data = text.encode("ascii")
    return bytes([len(data)]) + data


def int_value(number):
    # The smallest integer kind that holds the number: tag 2 (8 bits), 3 (16) or 4 (32).
    if -128 <= number <= 127:
        return b"\x02" + struct.pack("<b", number)
    if -32768 <= number <= 32767:
        return b"\x03" + struct.pack("<h", number)
    return b"\x04" + struct.pack("<i", number)


def prop(name, value):
    return short_string(name) + value


def component(class_name, name, props, children=b""):
    return short_string(class_name) + short_string(name) + b"".join(props) + b"\x00" + children + b"\x00"


def form_file(index):
    form_name = "Form%04d" % index
    base = 10000 + index * 10
    children = b"".join(
        component(class_name, "%s%d" % (class_name[1:], n),
                  [prop("Left", int_value(8)), prop("Top", int_value(8 + 24 * n)),
                   prop("HelpContext", int_value(base + n + 1)), prop("Caption", b"\x06" + short_string(caption))])
        for n, (class_name, caption) in enumerate([("TEdit", "Name"), ("TButton", "OK"), ("TCheckBox", "Keep")]))
    data = b"TPF0" + component("T" + form_name, form_name,
                                [prop("Left", int_value(200)), prop("Caption", b"\x06" + short_string(form_name)),
                                 prop("HelpContext", int_value(base))], children)
    resource = form_name.upper().encode("ascii")
    return b"\xff\x0a\x00" + resource + b"\x00" + struct.pack("<HI", 0x1030, len(data)) + data


def main():
    if len(sys.argv) not in (2, 3):
        sys.exit(__doc__)
    folder = sys.argv[1]
    count = int(sys.argv[2]) if len(sys.argv) == 3 else 2000
    os.makedirs(folder, exist_ok=True)
    names = []
    for index in range(1, count + 1):
        name = "Form%04d.dfm" % index
        with open(os.path.join(folder, name), "wb") as out:
            out.write(form_file(index))
        names.append(name)
    lines = [" ".join(names[at:at + 10]) for at in range(0, len(names), 10)]
    with open(os.path.join(folder, "Big.mak"), "w", newline="\r\n") as out:
        out.write("PROJECT = Big.exe\n")
        out.write("RESDEPEN = $(RESFILES) " + " \\\n    ".join(lines) + "\n")
        out.write("LIBFILES =\n")


if __name__ == "__main__":
    main()
