#!/usr/bin/env python3
"""Writes res/wendle.ico: the launcher's icon, a white "W" on a rounded teal
square, as two 32x32 images (2 colours at 1 bit per pixel, 16 colours at
4 bits per pixel), uncompressed with their transparency masks.

The bytes depend on nothing but this script, so the committed icon can be
checked against a fresh run:

    make_icon.py [OUTPUT]          write the icon (default: res/wendle.ico)
    make_icon.py --check FILE      exit 1 when FILE differs from a fresh icon
    make_icon.py --sample OUTPUT   write the sample product's icon, a white "H"
                                   on an orange square, as a publisher's icon
                                   of today is made: 16 and 32 pixels at 32 bits
                                   per pixel, and 256 pixels as a PNG image
"""

import math
import os
import struct
import sys
import zlib

SIZE = 32

# The standard 16-colour palette, in the order every 4-bit Windows icon uses.
VGA_PALETTE = [
    (0x00, 0x00, 0x00), (0x80, 0x00, 0x00), (0x00, 0x80, 0x00), (0x80, 0x80, 0x00),
    (0x00, 0x00, 0x80), (0x80, 0x00, 0x80), (0x00, 0x80, 0x80), (0xC0, 0xC0, 0xC0),
    (0x80, 0x80, 0x80), (0xFF, 0x00, 0x00), (0x00, 0xFF, 0x00), (0xFF, 0xFF, 0x00),
    (0x00, 0x00, 0xFF), (0xFF, 0x00, 0xFF), (0x00, 0xFF, 0xFF), (0xFF, 0xFF, 0xFF),
]
BLACK, TEAL, GRAY, CYAN, WHITE = 0, 6, 8, 14, 15

MONO_PALETTE = [(0x00, 0x00, 0x00), (0xFF, 0xFF, 0xFF)]

# The square spans [LEFT, RIGHT) in both directions, with rounded corners.
LEFT, RIGHT, RADIUS = 1.0, 31.0, 6.0

# Centre line of the "W", in pixel coordinates with y growing downwards.
W_STROKE = [(7.0, 8.5), (11.5, 23.5), (16.0, 12.5), (20.5, 23.5), (25.0, 8.5)]
W_HALF_WIDTH = 1.6


def distance_outside_square(x, y):
    """Distance of a point from the rounded square; 0 or less means inside."""
    lo, hi = LEFT + RADIUS, RIGHT - RADIUS
    cx = min(max(x, lo), hi)
    cy = min(max(y, lo), hi)
    return math.hypot(x - cx, y - cy) - RADIUS


def distance_to_segment(px, py, a, b):
    ax, ay = a
    bx, by = b
    dx, dy = bx - ax, by - ay
    t = ((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy)
    t = min(max(t, 0.0), 1.0)
    return math.hypot(px - (ax + t * dx), py - (ay + t * dy))


def on_stroke(x, y):
    return any(distance_to_segment(x, y, W_STROKE[i], W_STROKE[i + 1]) <= W_HALF_WIDTH
               for i in range(len(W_STROKE) - 1))


def pixel(col, row):
    """Colour index of one pixel of the 16-colour image, or None when transparent."""
    x, y = col + 0.5, row + 0.5
    edge = distance_outside_square(x, y)
    if edge > 0.0:
        return None
    if edge > -1.0:
        return BLACK
    if on_stroke(x, y):
        return WHITE
    # A drop shadow down and to the right of the letter.
    if on_stroke(x - 1.0, y - 1.0):
        return BLACK
    # A light upper-left rim and a dark lower-right rim give the tile some depth.
    if edge > -2.0:
        return CYAN if x + y < SIZE else GRAY
    return TEAL


def mono_pixel(col, row):
    """1 for white, 0 for black, None when transparent: white letter on black."""
    colour = pixel(col, row)
    if colour is None:
        return None
    return 1 if colour == WHITE else 0


def pack_rows(values, bits):
    """Packs rows of colour indices bottom-up, each row padded to 4 bytes."""
    out = bytearray()
    per_byte = 8 // bits
    for row in reversed(values):
        row_bytes = bytearray()
        for start in range(0, SIZE, per_byte):
            byte = 0
            for value in row[start:start + per_byte]:
                byte = (byte << bits) | value
            row_bytes.append(byte)
        row_bytes.extend(b"\0" * (-len(row_bytes) % 4))
        out += row_bytes
    return bytes(out)


def icon_image(pixel_of, bits, palette):
    """One icon image: header, palette, colour bits, then the AND mask."""
    colours = [[pixel_of(c, r) for c in range(SIZE)] for r in range(SIZE)]
    xor = pack_rows([[v or 0 for v in row] for row in colours], bits)
    mask = pack_rows([[1 if v is None else 0 for v in row] for row in colours], 1)
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, 2 * SIZE, 1, bits, 0,
                         len(xor) + len(mask), 0, 0, 0, 0)
    table = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in palette)
    return header + table + xor + mask


def icon_file():
    images = [
        (icon_image(mono_pixel, 1, MONO_PALETTE), 2, 1),
        (icon_image(pixel, 4, VGA_PALETTE), 16, 4),
    ]
    out = bytearray(struct.pack("<HHH", 0, 1, len(images)))
    offset = 6 + 16 * len(images)
    for data, colours, bits in images:
        out += struct.pack("<BBBBHHII", SIZE, SIZE, colours, 0, 1, bits, len(data), offset)
        offset += len(data)
    for data, _, _ in images:
        out += data
    return bytes(out)


H_STROKE = [((9.5, 8.0), (9.5, 24.0)), ((22.5, 8.0), (22.5, 24.0)), ((9.5, 16.0), (22.5, 16.0))]


def sample_rgba(n):
    """Rows of (r, g, b, a) of the sample icon at n by n pixels."""
    rows = []
    for row in range(n):
        pixels = []
        for col in range(n):
            x, y = (col + 0.5) * SIZE / n, (row + 0.5) * SIZE / n
            edge = distance_outside_square(x, y)
            letter = any(distance_to_segment(x, y, a, b) <= 2.0 for a, b in H_STROKE)
            pixels.append((0, 0, 0, 0) if edge > 0.0 else (0x80, 0x38, 0x10, 255) if edge > -1.0
                          else (255, 255, 255, 255) if letter else (0xE0, 0x70, 0x20, 255))
        rows.append(pixels)
    return rows


def bitmap_image(n):
    """A 32-bit image with its (empty) transparency mask, rows bottom-up."""
    rows = sample_rgba(n)
    colours = b"".join(struct.pack("<BBBB", b, g, r, a) for row in reversed(rows) for r, g, b, a in row)
    mask = bytes(((n + 31) // 32 * 4) * n)
    return struct.pack("<IiiHHIIiiII", 40, n, 2 * n, 1, 32, 0, len(colours) + len(mask), 0, 0, 0, 0) + colours + mask


def png_image(n):
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
    raw = b"".join(b"\0" + bytes(v for pixel in row for v in pixel) for row in sample_rgba(n))
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", n, n, 8, 6, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def sample_icon_file():
    images = [(16, bitmap_image(16)), (32, bitmap_image(32)), (256, png_image(256))]
    out = bytearray(struct.pack("<HHH", 0, 1, len(images)))
    offset = 6 + 16 * len(images)
    for n, data in images:
        out += struct.pack("<BBBBHHII", n % 256, n % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    return bytes(out + b"".join(data for _, data in images))


def main(argv):
    here = os.path.dirname(os.path.abspath(__file__))
    default = os.path.join(here, "..", "res", "wendle.ico")
    if len(argv) >= 2 and argv[0] == "--check":
        with open(argv[1], "rb") as f:
            same = f.read() == icon_file()
        if not same:
            print("%s differs from the icon make_icon.py writes" % argv[1], file=sys.stderr)
        return 0 if same else 1
    sample = len(argv) >= 2 and argv[0] == "--sample"
    path = argv[1] if sample else argv[0] if argv else default
    with open(path, "wb") as f:
        f.write(sample_icon_file() if sample else icon_file())
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
