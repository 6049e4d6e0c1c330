#!/usr/bin/env python3
"""Generates res/background.png, the dark picture behind every scoreboard.

A deep blue-grey gradient with a faint dartboard (alternating segments, treble and double
rings) around the middle and darker corners. It stays dark and smooth on purpose: the boards
draw light text and saturated boxes over it, and the Video 1 encoder copes best with gentle
gradients. Needs nothing beyond the Python standard library.

The motif is defined in the 320 x 240 layout's own coordinates, so the same picture comes out
at any resolution: the renderer draws the 320 x 240 file at the classic size and a sharper
one, made with --scale, at larger sizes (never the small one stretched).

usage: make-background.py [--scale N] [OUT.png]
   (default: background.png, or background-xN.png with --scale N, next to this script)
"""

import math
import os
import struct
import sys
import zlib

WIDTH, HEIGHT = 320, 240
CENTRE_X, CENTRE_Y = 160.0, 120.0

# Radii of the board motif in pixels, proportioned like a real board (outer double wire at 170 mm).
BOARD_SCALE = 112.0 / 170.0
BULL_R = 16.0 * BOARD_SCALE
TREBLE_IN, TREBLE_OUT = 99.0 * BOARD_SCALE, 107.0 * BOARD_SCALE
DOUBLE_IN, DOUBLE_OUT = 162.0 * BOARD_SCALE, 170.0 * BOARD_SCALE


def clamp(v):
    return max(0, min(255, int(round(v))))


def smoothstep(edge0, edge1, x):
    t = max(0.0, min(1.0, (x - edge0) / (edge1 - edge0)))
    return t * t * (3.0 - 2.0 * t)


def pixel(x, y, scale):
    # The centre of the device pixel, in the 320 x 240 layout's coordinates.
    fx, fy = (x + 0.5) / scale, (y + 0.5) / scale
    # Base: blue-grey at the top fading to near black at the bottom.
    g = fy / HEIGHT
    r, gr, b = 22 - 12 * g, 28 - 14 * g, 44 - 22 * g

    dx, dy = fx - CENTRE_X, fy - CENTRE_Y
    dist = math.hypot(dx, dy)
    # Soft fade of the motif towards its rim so that it has no hard outer edge.
    fade = 1.0 - smoothstep(DOUBLE_OUT - 2.0, DOUBLE_OUT + 10.0, dist)
    if fade > 0.0:
        # 20 segments; the 20 sits at the top as on a real board.
        angle = math.atan2(dx, -dy) + math.pi / 20.0
        segment = int(math.floor(angle / (2.0 * math.pi / 20.0))) % 20
        shade = 5.0 if segment % 2 == 0 else -3.0
        in_treble = TREBLE_IN <= dist < TREBLE_OUT
        in_double = DOUBLE_IN <= dist < DOUBLE_OUT
        if dist < BULL_R:
            r += 10 * fade
        elif in_treble or in_double:
            # Scoring rings alternate a muted red and green, as the real ones do.
            if segment % 2 == 0:
                r += 14 * fade
            else:
                gr += 10 * fade
        else:
            r, gr, b = r + shade * fade, gr + shade * fade, b + shade * fade

    # Darken the corners a little so the boxes at the edges stand out.
    corner = math.hypot(dx / CENTRE_X, dy / CENTRE_Y) / math.sqrt(2.0)
    vignette = 1.0 - 0.45 * corner * corner
    return clamp(r * vignette), clamp(gr * vignette), clamp(b * vignette)


def png_chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


def main():
    args = sys.argv[1:]
    scale = 1
    if len(args) >= 2 and args[0] == "--scale":
        scale = int(args[1])
        args = args[2:]
    if scale < 1 or len(args) > 1:
        sys.exit(__doc__)
    name = "background.png" if scale == 1 else "background-x%d.png" % scale
    out = args[0] if args else os.path.join(os.path.dirname(os.path.abspath(__file__)), name)
    width, height = WIDTH * scale, HEIGHT * scale
    rows = bytearray()
    for y in range(height):
        line = bytearray()
        for x in range(width):
            line.extend(pixel(x, y, scale))
        if scale == 1:
            rows.append(0)  # filter type: none
            rows.extend(line)
        else:
            # Filter type "sub": each byte as the difference from the pixel to its left,
            # which makes the large, smooth picture far smaller.
            rows.append(1)
            rows.extend((line[i] - (line[i - 3] if i >= 3 else 0)) & 0xFF
                        for i in range(len(line)))
    header = struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)  # 8-bit RGB
    png = (b"\x89PNG\r\n\x1a\n" + png_chunk(b"IHDR", header) +
           png_chunk(b"IDAT", zlib.compress(bytes(rows), 9)) + png_chunk(b"IEND", b""))
    with open(out, "wb") as f:
        f.write(png)


if __name__ == "__main__":
    main()
