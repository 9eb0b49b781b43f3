#!/usr/bin/env python3
"""Writes windows/Tolvane.ico, the program icon: a white bar-code label with a dark-blue key in
front of it whose arrow points on, into the application.

The icon holds two images, 16x16 and 32x32, each with 16 colours from the standard Windows
palette, stored as BMP-in-ICO: a BITMAPINFOHEADER whose height counts the XOR bitmap and the
AND mask together, the palette, the 4-bit XOR bitmap, then the 1-bit AND mask (1 is
transparent); rows run bottom-up and each is padded to a multiple of 4 bytes.

    scripts/make-icon.py [output.ico]     (default: windows/Tolvane.ico beside this folder)
    scripts/make-icon.py --show           (print the pictures, write nothing)
"""

import os
import struct
import sys

# The standard Windows 16-colour palette, as (red, green, blue).
PALETTE = [
    (0x00, 0x00, 0x00),  # 0 black
    (0x80, 0x00, 0x00),  # 1 dark red
    (0x00, 0x80, 0x00),  # 2 dark green
    (0x80, 0x80, 0x00),  # 3 dark yellow
    (0x00, 0x00, 0x80),  # 4 dark blue
    (0x80, 0x00, 0x80),  # 5 dark magenta
    (0x00, 0x80, 0x80),  # 6 dark cyan
    (0xC0, 0xC0, 0xC0),  # 7 light grey
    (0x80, 0x80, 0x80),  # 8 dark grey
    (0xFF, 0x00, 0x00),  # 9 red
    (0x00, 0xFF, 0x00),  # 10 green
    (0xFF, 0xFF, 0x00),  # 11 yellow
    (0x00, 0x00, 0xFF),  # 12 blue
    (0xFF, 0x00, 0xFF),  # 13 magenta
    (0x00, 0xFF, 0xFF),  # 14 cyan
    (0xFF, 0xFF, 0xFF),  # 15 white
]

# The letters of the pictures below; "." is transparent.
INK = {
    "k": 0,   # black: bars and the key's edge
    "n": 4,   # dark blue: the key
    "l": 7,   # light grey
    "g": 8,   # dark grey: the label's edge
    "b": 12,  # blue: light on the key's top and left
    "w": 15,  # white: the label and the arrow
}
TRANSPARENT = "."

# Top row first, as seen on the screen.
ICON_16 = [
    "................",
    ".gggggggggggggg.",
    "gwwwwwwwwwwwwwwg",
    "gwkwkkwkwkkwkkwg",
    "gwkwkkwkwkkwkkwg",
    "gwkwkkwkwkkwkkwg",
    "gwkwkkwkwkkwkkwg",
    "gwkwkkwkkkkkkkk.",
    "gwkwkkwknnnnnnnk",
    "gwwwwwwknnnwnnnk",
    ".ggggggknnnwwnnk",
    ".......knwwwwwnk",
    ".......knnnwwnnk",
    ".......knnnwnnnk",
    ".......knnnnnnnk",
    "........kkkkkkk.",
]

ICON_32 = [
    "................................",
    "................................",
    "................................",
    "...gggggggggggggggggggggggggg...",
    "..gwwwwwwwwwwwwwwwwwwwwwwwwwwg..",
    ".gwwwwwwwwwwwwwwwwwwwwwwwwwwwwg.",
    ".gwwkwkkwkkkwkwwkkwkwkkkwwkkwwg.",
    ".gwwkwkkwkkkwkwwkkwkwkkkwwkkwwg.",
    ".gwwkwkkwkkkwkwwkkwkwkkkwwkkwwg.",
    ".gwwkwkkwkkkwkwwkkwkwkkkwwkkwwg.",
    ".gwwkwkkwkkkwkwwkkwkwkkkwwkkwwg.",
    ".gwwkwkkwkkkwkwwkkwkwkkkwwkkwwg.",
    ".gwwkwkkwkkkwkwwkkwkwkkkwwkkwwg.",
    ".gwwkwkkwkkkwkwwkkwkwkkkwwkkwwg.",
    ".gwwkwkkwkkkwkwwkkwkwkkkwwkkwwg.",
    ".gwwkwkkwkkkwkwwkkwkwkkkwwkkwwg.",
    ".gwwkwkkwkkkwkwwwkkkkkkkkkkkkkk.",
    ".gwwkwkkwkkkwkwwkbbbbbbbbbbbbbbk",
    ".gwwkwkkwkkkwkwwkbnnnnnnnnnnnnnk",
    ".gwwkwkkwkkkwkwwkbnnnnnnnnnnnnnk",
    ".gwwwwwwwwwwwwwwkbnnnnnnwnnnnnnk",
    "..gwwwwwwwwwwwwwkbnnnnnnwwnnnnnk",
    "...gggggggggggggkbnnnnnnwwwnnnnk",
    "................kbnnwwwwwwwwnnnk",
    "................kbnnwwwwwwwwwnnk",
    "................kbnnwwwwwwwwnnnk",
    "................kbnnnnnnwwwnnnnk",
    "................kbnnnnnnwwnnnnnk",
    "................kbnnnnnnwnnnnnnk",
    "................kbnnnnnnnnnnnnnk",
    "................kbnnnnnnnnnnnnnk",
    ".................kkkkkkkkkkkkkk.",
]


def check(picture, size):
    if len(picture) != size or any(len(row) != size for row in picture):
        raise ValueError(f"the {size}x{size} picture is not {size} by {size}")
    for row in picture:
        for c in row:
            if c != TRANSPARENT and c not in INK:
                raise ValueError(f"unknown colour letter {c!r}")


def padded(row: bytes) -> bytes:
    return row + b"\0" * (-len(row) % 4)


def image(picture):
    """One BMP-in-ICO image: header, palette, XOR bitmap, AND mask."""
    size = len(picture)
    xor = bytearray()
    mask = bytearray()
    for row in reversed(picture):  # bottom-up
        indexes = [INK.get(c, 0) for c in row]  # transparent pixels are black under the mask
        xor += padded(bytes((indexes[i] << 4) | indexes[i + 1] for i in range(0, size, 2)))
        bits = bytearray((size + 7) // 8)
        for x, c in enumerate(row):
            if c == TRANSPARENT:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += padded(bytes(bits))
    header = struct.pack(
        "<IiiHHIIiiII",
        40,              # biSize
        size,            # biWidth
        size * 2,        # biHeight: XOR bitmap and AND mask
        1,               # biPlanes
        4,               # biBitCount
        0,               # biCompression: BI_RGB
        len(xor) + len(mask),  # biSizeImage
        0, 0,            # pixels per metre
        0,               # biClrUsed: all 16
        0,               # biClrImportant
    )
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
    return header + palette + bytes(xor) + bytes(mask)


def icon_file(pictures):
    images = [image(p) for p in pictures]
    out = struct.pack("<HHH", 0, 1, len(images))  # reserved, type 1 (icon), count
    offset = 6 + 16 * len(images)
    for picture, data in zip(pictures, images):
        size = len(picture)
        out += struct.pack("<BBBBHHII", size % 256, size % 256, 16, 0, 1, 4, len(data), offset)
        offset += len(data)
    return out + b"".join(images)


def main(argv):
    check(ICON_16, 16)
    check(ICON_32, 32)
    if argv[1:] == ["--show"]:
        for picture in (ICON_16, ICON_32):
            print("\n".join(picture), end="\n\n")
        return 0
    if len(argv) > 2:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    here = os.path.dirname(os.path.abspath(__file__))
    path = argv[1] if len(argv) == 2 else os.path.join(here, "..", "windows", "Tolvane.ico")
    data = icon_file([ICON_16, ICON_32])
    with open(path, "wb") as f:
        f.write(data)
    print(f"wrote {os.path.normpath(path)} ({len(data)} bytes)")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
