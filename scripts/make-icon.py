#!/usr/bin/env python3
"""Writes windows/Tolvane.ico, the program icon: a white bar-code label with a dark-blue key in
front of it whose arrow points on, into the application.

The picture is drawn from shapes on a 32-unit grid, at every size Windows asks for (16, 20, 24,
32, 40, 48, 64 and 256 pixels: the small and large icons at 100 to 200 per cent, and the
largest for Explorer's views), in 32-bit colour with an alpha channel, each pixel's coverage
measured on a grid of samples. The images below 256 pixels are stored as BMP-in-ICO (a
BITMAPINFOHEADER whose height counts the colour bitmap and the AND mask together, BGRA rows
bottom-up, then the 1-bit mask, 1 transparent, each row padded to 4 bytes); the 256-pixel one as
PNG, as Windows Vista and later read it.

    scripts/make-icon.py [output.ico]     (default: windows/Tolvane.ico beside this folder)
    scripts/make-icon.py --show [size]    (print the picture at a size, 32 unless told; write nothing)
"""

import os
import struct
import sys
import zlib

SIZES = [16, 20, 24, 32, 40, 48, 64, 256]

WHITE, GREY, BLACK = (255, 255, 255), (128, 128, 128), (0, 0, 0)
NAVY, BLUE = (0, 0, 128), (0, 0, 255)

# The bars of the label, as [left, right) on the grid; they run from y 6 to 20.
BARS = [(4, 5), (6, 8), (9, 12), (13, 14), (16, 18), (19, 20), (21, 24), (26, 28)]
ARROW = [(20, 22.5), (24, 22.5), (24, 19), (29, 24), (24, 29), (24, 25.5), (20, 25.5)]


def rounded(x0, y0, x1, y1, r):
    def inside(x, y):
        if not (x0 <= x < x1 and y0 <= y < y1):
            return False
        cx = min(max(x, x0 + r), x1 - r)
        cy = min(max(y, y0 + r), y1 - r)
        return (x - cx) ** 2 + (y - cy) ** 2 <= r * r
    return inside


def polygon(points):
    def inside(x, y):
        hit = False
        for (ax, ay), (bx, by) in zip(points, points[1:] + points[:1]):
            if (ay > y) != (by > y) and x < ax + (y - ay) * (bx - ax) / (by - ay):
                hit = not hit
        return hit
    return inside


def bar(x0, x1):
    return lambda x, y: x0 <= x < x1 and 6 <= y < 20


# Back to front: each sample takes the colour of the last shape that covers it.
LAYERS = (
    [(rounded(1, 3, 31, 23, 3), GREY), (rounded(2, 4, 30, 22, 2), WHITE)]
    + [(bar(a, b), BLACK) for a, b in BARS]
    + [(rounded(16, 16, 32, 32, 2.5), BLACK), (rounded(17, 17, 31, 31, 1.5), BLUE),
       (rounded(18, 18, 31, 31, 1), NAVY), (polygon(ARROW), WHITE)]
)


def render(size):
    """Rows top-down of (red, green, blue, alpha)."""
    samples = 8 if size <= 64 else 3
    step = 32.0 / size / samples
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            r = g = b = covered = 0
            for sy in range(samples):
                y = (py * samples + sy + 0.5) * step
                for sx in range(samples):
                    x = (px * samples + sx + 0.5) * step
                    colour = None
                    for inside, c in LAYERS:
                        if inside(x, y):
                            colour = c
                    if colour:
                        covered += 1
                        r, g, b = r + colour[0], g + colour[1], b + colour[2]
            n = samples * samples
            row.append((r // covered, g // covered, b // covered, 255 * covered // n) if covered else (0, 0, 0, 0))
        rows.append(row)
    return rows


def padded(row: bytes) -> bytes:
    return row + b"\0" * (-len(row) % 4)


def bmp_image(rows):
    size = len(rows)
    colour = bytearray()
    mask = bytearray()
    for row in reversed(rows):  # bottom-up
        colour += bytes(v for r, g, b, a in row for v in (b, g, r, a))
        bits = bytearray((size + 7) // 8)
        for x, (_, _, _, a) in enumerate(row):
            if a == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += padded(bytes(bits))
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(colour) + len(mask), 0, 0, 0, 0)
    return header + bytes(colour) + bytes(mask)


def png_image(rows):
    size = len(rows)
    raw = b"".join(b"\0" + bytes(v for pixel in row for v in pixel) for row in rows)

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)

    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def icon_file():
    images = [(size, png_image(render(size)) if size >= 256 else bmp_image(render(size))) for size in SIZES]
    out = struct.pack("<HHH", 0, 1, len(images))  # reserved, type 1 (icon), count
    offset = 6 + 16 * len(images)
    for size, data in images:
        out += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    return out + b"".join(data for _, data in images)


def main(argv):
    if argv[1:2] == ["--show"]:
        size = int(argv[2]) if len(argv) > 2 else 32
        for row in render(size):
            print("".join(" .:-=+*#%@"[a * 9 // 255] for _, _, _, a in row))
        return 0
    if len(argv) > 2:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    here = os.path.dirname(os.path.abspath(__file__))
    path = argv[1] if len(argv) == 2 else os.path.join(here, "..", "windows", "Tolvane.ico")
    data = icon_file()
    with open(path, "wb") as f:
        f.write(data)
    print(f"wrote {os.path.normpath(path)} ({len(data)} bytes)")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
