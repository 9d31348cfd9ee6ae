#!/usr/bin/env python3
"""Converts an X window dump (xwd, TrueColor ZPixmap) to PNG, optionally cropped, with the standard
library only.

Usage: xwd2png.py INPUT.xwd OUTPUT.png [LEFT TOP WIDTH HEIGHT]
"""
import struct
import sys
import zlib


def read_xwd(path, crop=None):
    """The pixels as RGB rows, only those inside `crop` (left, top, width, height) when given."""
    data = open(path, "rb").read()
    fields = struct.unpack(">25I", data[:100])
    (header_size, _version, pixmap_format, _depth, width, height, _xoffset, byte_order, _unit, _bit_order,
     _pad, bits_per_pixel, bytes_per_line, _visual, red_mask, green_mask, blue_mask, _bits_rgb, _entries,
     ncolors) = fields[:20]
    if pixmap_format != 2 or bits_per_pixel not in (24, 32):
        sys.exit("xwd2png: only 24- and 32-bit ZPixmap dumps are handled")
    pixels = data[header_size + ncolors * 12:]
    step = bits_per_pixel // 8
    order = "<" if byte_order == 0 else ">"

    def shift(mask):
        return (mask & -mask).bit_length() - 1

    shifts = [(red_mask, shift(red_mask)), (green_mask, shift(green_mask)), (blue_mask, shift(blue_mask))]
    left, top, w, h = crop if crop else (0, 0, width, height)
    left, top = max(left, 0), max(top, 0)
    w, h = min(w, width - left), min(h, height - top)
    rows = []
    for y in range(top, top + h):
        line = pixels[y * bytes_per_line:y * bytes_per_line + width * step]
        row = bytearray()
        for x in range(left, left + w):
            chunk = line[x * step:(x + 1) * step]
            value = struct.unpack(order + "I", chunk if step == 4 else
                                  (chunk + b"\0" if order == "<" else b"\0" + chunk))[0]
            row.extend((value & mask) >> s for mask, s in shifts)
        rows.append(bytes(row))
    return w, rows


def write_png(path, width, rows):
    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))

    raw = b"".join(b"\0" + row for row in rows)
    png = (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, len(rows), 8, 2, 0, 0, 0)) +
           chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))
    open(path, "wb").write(png)


def main():
    if len(sys.argv) not in (3, 7):
        sys.exit(__doc__)
    crop = tuple(int(v) for v in sys.argv[3:7]) if len(sys.argv) == 7 else None
    width, rows = read_xwd(sys.argv[1], crop)
    write_png(sys.argv[2], width, rows)


if __name__ == "__main__":
    main()
