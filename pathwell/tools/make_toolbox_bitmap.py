#!/usr/bin/env python3
"""Writes the control's toolbox image: 16 x 15 pixels, 8 bits per pixel, 256-entry palette.

A small open yellow folder with an arrow, on grey, in a dark blue frame.
usage: make_toolbox_bitmap.py OUT.bmp
"""
import struct
import sys

ROWS = [
    "NNNNNNNNNNNNNNNN",
    "NGGGGGGBBBGGGGGN",
    "NGGGGGBGGGBGGGGN",
    "NGGGGGGGGBBBGGGN",
    "NGGGGGGGGGBGGGGN",
    "NGOOOOGGGGGGGGGN",
    "NOYYYYOOOOOOOGGN",
    "NOYWYYYYYYYYOGGN",
    "NOYWOOOOOOOOOOON",
    "NOYOYYYYYYYYYYON",
    "NOYOYYYYYYYYYOGN",
    "NOOYYYYYYYYYYOGN",
    "NOOOOOOOOOOOOGGN",
    "NGGGGGGGGGGGGGGN",
    "NNNNNNNNNNNNNNNN",
]
# Palette index per letter; index 0 is the toolbox's transparent grey ground.
COLOURS = {
    "G": (0, (192, 192, 192)),
    "N": (1, (0, 0, 128)),
    "B": (2, (0, 0, 0)),
    "O": (3, (128, 128, 0)),
    "Y": (4, (255, 255, 0)),
    "W": (5, (255, 255, 255)),
}
WIDTH, HEIGHT = 16, 15


def main():
    assert len(ROWS) == HEIGHT and all(len(r) == WIDTH for r in ROWS)
    palette = [(0, 0, 0)] * 256
    for index, rgb in COLOURS.values():
        palette[index] = rgb
    stride = (WIDTH + 3) & ~3
    pixels = b"".join(
        bytes(COLOURS[c][0] for c in row) + bytes(stride - WIDTH) for row in reversed(ROWS)
    )
    palette_bytes = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in palette)
    offset = 14 + 40 + len(palette_bytes)
    info = struct.pack("<IiiHHIIiiII", 40, WIDTH, HEIGHT, 1, 8, 0, len(pixels), 3780, 3780, 256, 0)
    header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    with open(sys.argv[1], "wb") as out:
        out.write(header + info + palette_bytes + pixels)


if __name__ == "__main__":
    main()
