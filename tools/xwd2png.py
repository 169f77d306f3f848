#!/usr/bin/env python3
"""Turns a screen dump of xwd (a TrueColor ZPixmap, as Xvfb gives) into a PNG.

    xwd -root -silent | tools/xwd2png.py OUT.png [LEFT TOP RIGHT BOTTOM]

With a rectangle, only that part of the screen is kept. Standard library only.
"""
import struct
import sys
import zlib


def read_xwd(data, rect=None):
    fields = struct.unpack(">25I", data[:100])
    (header_size, _version, _format, depth, width, height, _xoffset, byte_order, _unit, _bit_order,
     _pad, bits_per_pixel, bytes_per_line, _visual, red_mask, green_mask, blue_mask, _bits_rgb,
     _entries, ncolors, _ww, _wh, _wx, _wy, _border) = fields
    if bits_per_pixel not in (24, 32) or depth < 24:
        sys.exit("xwd2png: only 24-bit colour dumps are read")
    pixels = data[header_size + 12 * ncolors:]
    step = bits_per_pixel // 8
    order = "little" if byte_order == 0 else "big"

    def shift(mask):
        return (mask & -mask).bit_length() - 1

    shifts = [shift(m) for m in (red_mask, green_mask, blue_mask)]
    left, top, right, bottom = rect or (0, 0, width, height)
    left, top = max(left, 0), max(top, 0)
    right, bottom = min(right, width), min(bottom, height)
    rows = []
    for y in range(top, bottom):
        line = pixels[y * bytes_per_line:(y + 1) * bytes_per_line]
        row = bytearray()
        for x in range(left, right):
            value = int.from_bytes(line[x * step:(x + 1) * step], order)
            row += bytes(((value >> s) & 0xFF) for s in shifts)
        rows.append(row)
    return right - left, bottom - top, rows


def write_png(path, width, height, rows):
    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF)

    raw = b"".join(b"\x00" + bytes(row) for row in rows)
    png = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b"")
    with open(path, "wb") as out:
        out.write(png)


def main():
    if len(sys.argv) not in (2, 6):
        sys.exit(__doc__)
    rect = tuple(int(v) for v in sys.argv[2:]) if len(sys.argv) == 6 else None
    width, height, rows = read_xwd(sys.stdin.buffer.read(), rect)
    write_png(sys.argv[1], width, height, rows)


if __name__ == "__main__":
    main()
