#!/usr/bin/env python3
"""Converts uncompressed 24-bit or 32-bit BMP files to PNG (standard library
only).  Usage: bmp_to_png.py INPUT.bmp OUTPUT.png"""
import struct
import sys
import zlib


def read_bmp(path):
    with open(path, "rb") as fh:
        data = fh.read()
    if data[:2] != b"BM":
        raise ValueError("not a BMP file: " + path)
    offset = struct.unpack_from("<I", data, 10)[0]
    width, height, _planes, bits, compression = struct.unpack_from("<iiHHI", data, 18)
    if compression != 0 or bits not in (24, 32):
        raise ValueError("unsupported BMP: %d bits, compression %d" % (bits, compression))
    bottom_up = height > 0
    height = abs(height)
    step = bits // 8
    stride = (width * step + 3) & ~3
    rows = []
    for y in range(height):
        src = height - 1 - y if bottom_up else y
        start = offset + src * stride
        row = bytearray()
        for x in range(width):
            b, g, r = data[start + x * step: start + x * step + 3]
            row += bytes((r, g, b))
        rows.append(bytes(row))
    return width, height, rows


def write_png(path, width, height, rows):
    def chunk(kind, body):
        return (struct.pack(">I", len(body)) + kind + body +
                struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF))
    raw = b"".join(b"\0" + row for row in rows)
    png = (b"\x89PNG\r\n\x1a\n" +
           chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)) +
           chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))
    with open(path, "wb") as fh:
        fh.write(png)


if __name__ == "__main__":
    w, h, r = read_bmp(sys.argv[1])
    write_png(sys.argv[2], w, h, r)
