#!/usr/bin/env python3
"""Writes a large project for scripts/bench-window.sh: a makefile whose RESDEPEN macro lists FORMS
binary forms (continuation lines, ten names a line), each form with a help context of its own and
three components with one. With --real, forms as real ones are: 20 to 50 components of a few
properties each, about 5.7 KB, three of them numbered; FOLDER/Other.mak then lists the same forms in
another case ("form0001.DFM" for "Form0001.dfm"), as a project checked out from Windows does.

Usage: make-big-project.py [--real] FOLDER [FORMS]   (default 2000 forms; the makefile is FOLDER/Big.mak)
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


def real_form_file(index):
    form_name = "Form%04d" % index
    children = b""
    for n in range(20 + index % 31):
        class_name = ("TEdit", "TButton", "TLabel")[n % 3]
        props = [prop("Left", int_value(8 + n % 4 * 150)), prop("Top", int_value(8 + n * 24)),
                 prop("Width", int_value(140)), prop("Height", int_value(21)), prop("TabOrder", int_value(n)),
                 prop("Caption", b"\x06" + short_string("Field number %d" % n)),
                 prop("Hint", b"\x06" + short_string("Enter the value of field number %d here" % n)),
                 prop("Anchors", b"\x0b" + short_string("akLeft") + short_string("akTop") + b"\x00"),
                 prop("OnClick", b"\x07" + short_string("Control%dClick" % n))]
        if n % 11 == 5:
            props.append(prop("HelpContext", int_value(1000 + index * 10 + n)))
        children += component(class_name, "Control%d" % n, props)
    data = b"TPF0" + component("T" + form_name, form_name,
                                [prop("Left", int_value(200)), prop("Top", int_value(120)),
                                 prop("Width", int_value(640)), prop("Height", int_value(480)),
                                 prop("Caption", b"\x06" + short_string("Customer details %d" % index)),
                                 prop("Font.Name", b"\x06" + short_string("MS Sans Serif")),
                                 prop("OnCreate", b"\x07" + short_string("FormCreate"))], children)
    resource = form_name.upper().encode("ascii")
    return b"\xff\x0a\x00" + resource + b"\x00" + struct.pack("<HI", 0x1030, len(data)) + data


def write_makefile(path, names):
    lines = [" ".join(names[at:at + 10]) for at in range(0, len(names), 10)]
    with open(path, "w", newline="\r\n") as out:
        out.write("PROJECT = Big.exe\n")
        out.write("RESDEPEN = $(RESFILES) " + " \\\n    ".join(lines) + "\n")
        out.write("LIBFILES =\n")


def main():
    args = sys.argv[1:]
    real = "--real" in args
    args = [arg for arg in args if arg != "--real"]
    if len(args) not in (1, 2):
        sys.exit(__doc__)
    folder = args[0]
    count = int(args[1]) if len(args) == 2 else 2000
    os.makedirs(folder, exist_ok=True)
    names = []
    for index in range(1, count + 1):
        name = "Form%04d.dfm" % index
        with open(os.path.join(folder, name), "wb") as out:
            out.write(real_form_file(index) if real else form_file(index))
        names.append(name)
    write_makefile(os.path.join(folder, "Big.mak"), names)
    if real:
        write_makefile(os.path.join(folder, "Other.mak"), ["f" + name[1:-3] + "DFM" for name in names])


if __name__ == "__main__":
    main()
