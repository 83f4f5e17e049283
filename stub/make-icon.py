#!/usr/bin/env python3
"""Draws the stub's icon, StubIcon.ico: a closed parcel with a zipper and an arrow pointing out of
it, at 32x32 and 16x16 pixels in 32-bit colour with an alpha channel. Run it again after changing the
drawing; the build uses the committed file."""
import struct
import sys


def draw(size):
    """Rows of (r, g, b, a) pixels, top row first."""
    s = size / 32.0
    pixels = [[(0, 0, 0, 0)] * size for _ in range(size)]

    def fill(x0, y0, x1, y1, colour):
        for y in range(int(y0 * s), max(int(y0 * s) + 1, int(y1 * s))):
            for x in range(int(x0 * s), max(int(x0 * s) + 1, int(x1 * s))):
                if 0 <= x < size and 0 <= y < size:
                    pixels[y][x] = colour

    outline = (70, 45, 20, 255)
    parcel = (214, 160, 82, 255)
    lid = (236, 190, 110, 255)
    zipper = (90, 90, 100, 255)
    arrow = (40, 150, 60, 255)
    fill(3, 11, 29, 30, outline)      # the box
    fill(4, 12, 28, 29, parcel)
    fill(3, 7, 29, 12, outline)       # its lid
    fill(4, 8, 28, 11, lid)
    fill(15, 8, 17, 29, zipper)       # the zipper down the middle
    for y in range(9, 29, 3):
        fill(14, y, 18, y + 1, zipper)
    fill(23, 5, 26, 10, arrow)        # the arrow rising out of it: its shaft
    for i in range(4):                # and its head, widening downwards
        fill(24 - i - 1, 1 + i, 25 + i + 1, 2 + i, arrow)
    return pixels


def image(size):
    rows = draw(size)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    colour = b"".join(bytes((b, g, r, a)) for row in reversed(rows) for (r, g, b, a) in row)
    mask_row = (size + 31) // 32 * 4
    mask = b""
    for row in reversed(rows):
        bits = 0
        for x, (_, _, _, a) in enumerate(row):
            if a == 0:
                bits |= 1 << (mask_row * 8 - 1 - x)
        mask += bits.to_bytes(mask_row, "big")
    return header + colour + mask


def main(path):
    images = [image(32), image(16)]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, data in zip((32, 16), images):
        out += struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    with open(path, "wb") as f:
        f.write(out + b"".join(images))


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "StubIcon.ico")
