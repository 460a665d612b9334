#!/usr/bin/env python3
"""Draws the program icon (a boat on a wave in a blue square) and writes it
as a Windows .ico with 16, 32 and 48 pixel images (32-bit BMP entries).

Usage: make_icon.py OUTPUT.ico
"""
import struct
import sys


def pixel(size, x, y):
    """BGRA of one pixel; coordinates from the top left."""
    u = (x + 0.5) / size
    v = (y + 0.5) / size
    margin = 1.0 / size
    inside = margin <= u <= 1 - margin and margin <= v <= 1 - margin
    if not inside:
        return (0, 0, 0, 0)
    bg = (170, 90, 20, 255)  # blue (BGR order)
    # Hull: a trapezoid above the waterline.
    if 0.52 <= v <= 0.66:
        slope = (v - 0.52) / 0.14 * 0.12
        if 0.16 + slope <= u <= 0.84 - slope * 0.3:
            return (255, 255, 255, 255)
    # Cabin.
    if 0.40 <= v < 0.52 and 0.38 <= u <= 0.62:
        return (40, 200, 250, 255)  # yellow
    # Wave band below the hull.
    import math
    wave = 0.74 + 0.04 * math.sin(u * 2 * math.pi * 2)
    if wave <= v <= wave + 0.07:
        return (250, 220, 150, 255)
    return bg


def image(size):
    rows = []
    for y in range(size - 1, -1, -1):  # bottom-up
        rows.append(b"".join(struct.pack("<BBBB", *pixel(size, x, y)) for x in range(size)))
    xor = b"".join(rows)
    mask_row = ((size + 31) // 32) * 4
    and_mask = b"\0" * (mask_row * size)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(xor) + len(and_mask), 0, 0, 0, 0)
    return header + xor + and_mask


def main():
    sizes = [16, 32, 48]
    images = [image(s) for s in sizes]
    out = struct.pack("<HHH", 0, 1, len(sizes))
    offset = 6 + 16 * len(sizes)
    for s, data in zip(sizes, images):
        out += struct.pack("<BBBBHHII", s, s, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    out += b"".join(images)
    with open(sys.argv[1], "wb") as fh:
        fh.write(out)


if __name__ == "__main__":
    main()
