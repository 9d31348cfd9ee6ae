#!/usr/bin/env python3
"""Turns a text picture (resources/art/*.txt) into a Windows .bmp or .ico file.

A picture file holds, in this order:

    format bmp4 | bmp24 | ico4      16-colour bitmap, 24-bit bitmap, 16-colour icon
    size WIDTH HEIGHT               the size of one image
    colour C R G B                  one line per character used in the rows ("colour C none" in an
                                    icon marks the transparent pixels)
    image                           followed by HEIGHT rows of WIDTH characters, or:
    image etch N                    image N in the etched look of a disabled button
    image map N AB CD ...           image N with colour A drawn as B, C as D, ...

Several images are placed side by side, left to right, making a strip. Blank lines and lines
beginning with '#' are ignored outside the rows. 16-colour pictures may use only the colours of the
standard 16-colour palette, which every 16-colour file here carries in the same order.
"""
import struct
import sys

STANDARD_PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128), (0, 128, 128),
    (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0), (0, 0, 255),
    (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
HIGHLIGHT = (255, 255, 255)
SHADOW = (128, 128, 128)


class PictureError(Exception):
    pass


def parse(path):
    with open(path, encoding="ascii") as f:
        lines = f.read().split("\n")
    fmt, width, height, colours, images = None, None, None, {}, []
    i = 0

    def fail(message):
        raise PictureError(f"{path}:{i + 1}: {message}")

    while i < len(lines):
        line = lines[i].strip()
        words = line.split()
        if not words or line.startswith("#"):
            i += 1
            continue
        keyword = words[0]
        if keyword == "format":
            if len(words) != 2 or words[1] not in ("bmp4", "bmp24", "ico4"):
                fail("format must be bmp4, bmp24 or ico4")
            fmt = words[1]
        elif keyword == "size":
            if len(words) != 3 or not all(w.isdigit() and int(w) > 0 for w in words[1:]):
                fail("size needs a width and a height")
            width, height = int(words[1]), int(words[2])
        elif keyword == "colour":
            if len(words) == 3 and words[2] == "none" and len(words[1]) == 1:
                colours[words[1]] = None
            elif len(words) == 5 and len(words[1]) == 1 and all(w.isdigit() and int(w) < 256 for w in words[2:]):
                colours[words[1]] = tuple(int(w) for w in words[2:])
            else:
                fail("colour needs one character and red, green, blue (0-255) or 'none'")
        elif keyword == "image":
            if width is None:
                fail("size must come before the images")
            if len(words) == 1:
                rows = lines[i + 1 : i + 1 + height]
                if len(rows) < height:
                    fail(f"image needs {height} rows")
                image = []
                for r, row in enumerate(rows):
                    if len(row) != width:
                        i += r + 1
                        fail(f"row has {len(row)} characters, not {width}")
                    try:
                        image.append([colours[c] for c in row])
                    except KeyError as e:
                        i += r + 1
                        fail(f"character {e} has no colour")
                images.append(image)
                i += height
            else:
                if len(words) < 3 or not words[2].isdigit() or int(words[2]) >= len(images):
                    fail("a derived image names an earlier image by number")
                source = images[int(words[2])]
                if words[1] == "etch" and len(words) == 3:
                    images.append(etch(source))
                elif words[1] == "map":
                    pairs = words[3:]
                    if not pairs or any(len(p) != 2 or p[0] not in colours or p[1] not in colours for p in pairs):
                        fail("map needs pairs of colour characters")
                    table = {colours[p[0]]: colours[p[1]] for p in pairs}
                    images.append([[table.get(c, c) for c in row] for row in source])
                else:
                    fail("unknown derived image: " + words[1])
        else:
            fail("unknown line: " + keyword)
        i += 1
    if fmt is None or width is None or not images:
        raise PictureError(f"{path}: needs a format, a size and at least one image")
    strip = [sum((image[y] for image in images), []) for y in range(height)]
    return fmt, strip


def etch(image):
    """The look of a disabled button: the shape in shadow grey over a highlight copy one pixel down
    and right, on the picture's background (its bottom-left colour)."""
    height, width = len(image), len(image[0])
    background = image[-1][0]
    out = [[background] * width for _ in range(height)]
    for y in range(height):
        for x in range(width):
            if image[y][x] != background and x + 1 < width and y + 1 < height:
                out[y + 1][x + 1] = HIGHLIGHT
    for y in range(height):
        for x in range(width):
            if image[y][x] != background:
                out[y][x] = SHADOW
    return out


def palette_index(colour):
    try:
        return STANDARD_PALETTE.index(colour)
    except ValueError:
        raise PictureError(f"colour {colour} is not in the 16-colour palette") from None


def rows_4bit(pixels):
    """Bottom-up rows of 4-bit palette indexes, each padded to a multiple of 4 bytes."""
    data = bytearray()
    for row in reversed(pixels):
        indexes = [palette_index((0, 0, 0) if c is None else c) for c in row] + [0]
        line = bytes((indexes[x] << 4) | (indexes[x + 1] if x + 1 < len(row) else 0) for x in range(0, len(row), 2))
        data += line + b"\0" * (-len(line) % 4)
    return bytes(data)


def palette_bytes():
    return b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in STANDARD_PALETTE)


def info_header(width, height, bits, image_size, colours_used):
    return struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, 0, image_size, 2835, 2835, colours_used, 0)


def bmp(pixels, bits):
    height, width = len(pixels), len(pixels[0])
    if any(c is None for row in pixels for c in row):
        raise PictureError("a bitmap has no transparent colour; give every character a colour")
    if bits == 4:
        data, palette, used = rows_4bit(pixels), palette_bytes(), 16
    else:
        data = bytearray()
        for row in reversed(pixels):
            line = b"".join(struct.pack("BBB", b, g, r) for r, g, b in row)
            data += line + b"\0" * (-len(line) % 4)
        data, palette, used = bytes(data), b"", 0
    offset = 14 + 40 + len(palette)
    header = struct.pack("<2sIHHI", b"BM", offset + len(data), 0, 0, offset)
    return header + info_header(width, height, bits, len(data), used) + palette + data


def ico(pixels):
    height, width = len(pixels), len(pixels[0])
    if width > 256 or height > 256:
        raise PictureError("an icon is at most 256 pixels square")
    colour = rows_4bit(pixels)
    mask = bytearray()
    for row in reversed(pixels):
        bits = 0
        for x, c in enumerate(row):
            if c is None:
                bits |= 1 << (len(row) - 1 - x)
        line = bits.to_bytes((width + 7) // 8, "big")
        mask += line + b"\0" * (-len(line) % 4)
    image = info_header(width, height * 2, 4, len(colour) + len(mask), 16) + palette_bytes() + colour + bytes(mask)
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", width % 256, height % 256, 16, 0, 1, 4, len(image), 6 + 16)
    return directory + entry + image


def main(argv):
    if len(argv) != 3:
        print("usage: pixelart.py PICTURE.txt OUTPUT", file=sys.stderr)
        return 2
    try:
        fmt, pixels = parse(argv[1])
        data = {"bmp4": lambda: bmp(pixels, 4), "bmp24": lambda: bmp(pixels, 24), "ico4": lambda: ico(pixels)}[fmt]()
    except (PictureError, OSError) as e:
        print(f"pixelart: {e}", file=sys.stderr)
        return 1
    with open(argv[2], "wb") as f:
        f.write(data)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
