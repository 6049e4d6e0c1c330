#!/usr/bin/env python3
"""Draws res/icon-16.png and res/icon-32.png, the program icon at the two sizes where the
master picture (res/icon.png, 256 x 256) scaled down turns into a blur.

The small icons keep the master's motif but are laid out on their own pixel grid: a board
of 8 segments instead of 20, a double ring one pixel wide, the bull a solid dot, and the play
badge large enough to read; the 16 px icon drops the dart. Shapes are sampled 8 x 8 times a
pixel for their edges. Needs nothing beyond the Python standard library.

usage: make-small-icons.py [OUTDIR]   (default: the folder of this script)
"""

import math
import os
import struct
import sys
import zlib

NAVY = (0x1B, 0x23, 0x42)
RIM = (0x14, 0x14, 0x18)
CREAM = (0xF2, 0xE3, 0xC0)
DARK = (0x22, 0x22, 0x26)
RED = (0xD3, 0x3A, 0x2C)
GREEN = (0x2A, 0x9D, 0x4A)
ORANGE = (0xF7, 0xA1, 0x00)
WHITE = (0xFF, 0xFF, 0xFF)
SHAFT = (0xC8, 0xCC, 0xD4)

# Per size, in pixels: corner radius, board centre and radii (rim, double ring, body),
# the bull's radius, the badge's centre and radius, and whether the dart is drawn.
LAYOUTS = {
    16: dict(corner=3.0, centre=(7.0, 7.0), rim=6.0, double=5.0, body=4.0, bull=1.5,
             badge=(12.0, 12.0), badge_r=3.6, dart=False),
    32: dict(corner=6.0, centre=(14.0, 15.0), rim=12.0, double=10.5, body=9.0, bull=2.5,
             badge=(24.5, 24.5), badge_r=6.5, dart=True),
}

SAMPLES = 8


def in_rounded_square(x, y, size, r):
    cx = min(max(x, r), size - r)
    cy = min(max(y, r), size - r)
    return (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def in_triangle(x, y, a, b, c):
    def side(p, q, r):
        return (p[0] - r[0]) * (q[1] - r[1]) - (q[0] - r[0]) * (p[1] - r[1])
    d1 = side((x, y), a, b)
    d2 = side((x, y), b, c)
    d3 = side((x, y), c, a)
    neg = d1 < 0 or d2 < 0 or d3 < 0
    pos = d1 > 0 or d2 > 0 or d3 > 0
    return not (neg and pos)


def near_segment(x, y, a, b, width):
    ax, ay = a
    bx, by = b
    dx, dy = bx - ax, by - ay
    t = max(0.0, min(1.0, ((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy)))
    px, py = ax + t * dx, ay + t * dy
    return (x - px) ** 2 + (y - py) ** 2 <= (width / 2) ** 2


def colour_at(x, y, size, lay):
    """The colour of the point (x, y), or None outside the icon."""
    if not in_rounded_square(x, y, size, lay["corner"]):
        return None
    bx, by = lay["badge"]
    br = lay["badge_r"]
    if (x - bx) ** 2 + (y - by) ** 2 <= br * br:
        # A play triangle, its weight centred in the badge.
        s = br * 0.55
        if in_triangle(x, y, (bx - s * 0.7, by - s), (bx - s * 0.7, by + s), (bx + s, by)):
            return WHITE
        return ORANGE
    cx, cy = lay["centre"]
    if lay["dart"]:
        tip = (cx + 0.5, cy - 0.5)
        tail = (size - 6.5, 6.5)
        flight = [(size - 1.5, 1.5), (size - 9.5, 4.5), (size - 4.5, 9.5)]
        if in_triangle(x, y, *flight):
            return ORANGE
        if near_segment(x, y, tip, tail, 1.4):
            return SHAFT
    d = math.hypot(x - cx, y - cy)
    if d > lay["rim"]:
        return NAVY
    if d > lay["double"]:
        return RIM
    segment = int(((math.atan2(y - cy, x - cx) + math.pi / 8) % (2 * math.pi)) / (math.pi / 4))
    if d <= lay["bull"]:
        return RED
    if d <= lay["body"]:
        return CREAM if segment % 2 == 0 else DARK
    return RED if segment % 2 == 0 else GREEN


def draw(size):
    lay = LAYOUTS[size]
    rows = []
    for py in range(size):
        row = bytearray()
        for px in range(size):
            r = g = b = a = 0
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    c = colour_at(px + (sx + 0.5) / SAMPLES, py + (sy + 0.5) / SAMPLES, size, lay)
                    if c is not None:
                        r += c[0]
                        g += c[1]
                        b += c[2]
                        a += 1
            n = SAMPLES * SAMPLES
            if a == 0:
                row += bytes(4)
            else:
                # Colours averaged over the covered samples only (not premultiplied).
                row += bytes((round(r / a), round(g / a), round(b / a), round(255 * a / n)))
        rows.append(bytes(row))
    return rows


def write_png(path, rows, size):
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))
    raw = b"".join(b"\x00" + row for row in rows)
    png = b"\x89PNG\r\n\x1a\n"
    png += chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(raw, 9))
    png += chunk(b"IEND", b"")
    with open(path, "wb") as out:
        out.write(png)


def main():
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.abspath(__file__))
    for size in sorted(LAYOUTS):
        write_png(os.path.join(folder, "icon-%d.png" % size), draw(size), size)


if __name__ == "__main__":
    main()
