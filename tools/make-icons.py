#!/usr/bin/env python3
"""Writes Quorvel's icon and the About window's hand cursor into shell/res/.

  Quorvel.ico        the program icon as a file (one 32x32 image, 256 colours)
  icon30001.bin      that image alone (BITMAPINFOHEADER, 256-entry palette, XOR, AND:
                     2,216 bytes), the icon resource number 30001
  icongroup1.bin     icon group 1 pointing at image 30001
  hand.cur           32x32 cursor, 16 colours, hot spot at column 12, row 1

The icon is a sheet of paper with a folded corner and a few lines of Basic code on it
(keywords blue, a comment green, a string red).
"""
import struct
import sys
from pathlib import Path

# --- icon ------------------------------------------------------------------------------
PALETTE = {
    ".": None,                 # transparent
    "K": (0, 0, 0),            # outline
    "W": (255, 255, 255),      # paper
    "S": (226, 232, 240),      # paper shade, folded corner
    "G": (128, 128, 128),      # shadow
    "B": (0, 0, 200),          # keywords
    "T": (40, 40, 40),         # plain code
    "C": (0, 128, 0),          # comment
    "R": (170, 20, 20),        # string
    "Y": (255, 196, 0),        # the sparkle of a converted file
}
ORDER = ["K", "W", "S", "G", "B", "T", "C", "R", "Y"]


def icon_pixels():
    g = [["."] * 32 for _ in range(32)]
    left, right, top, bottom, fold = 5, 25, 1, 29, 7
    for y in range(top, bottom + 1):
        for x in range(left, right + 1):
            if x - (right - fold) > y - top:  # cut corner
                continue
            edge = x in (left, right) or y in (top, bottom) or x - (right - fold) == y - top
            g[y][x] = "K" if edge else "W"
    # the folded flap
    for y in range(top + 1, top + fold):
        for x in range(right - fold + 1, right - fold + (y - top)):
            g[y][x] = "S"
    for i in range(fold + 1):
        g[top + fold][right - fold + i] = "K"
        g[top + i][right - fold] = "K"
    # shadow on the right and below
    for y in range(top + fold + 2, bottom + 2):
        g[y][right + 1] = "G"
    for x in range(left + 2, right + 2):
        g[bottom + 1][x] = "G"
    # code lines: (row, [(x0, x1, colour), ...])
    lines = [
        (6, [(8, 10, "B"), (12, 17, "T")]),
        (9, [(10, 13, "B"), (15, 16, "T"), (18, 22, "R")]),
        (12, [(10, 12, "T"), (14, 22, "C")]),
        (15, [(10, 14, "T"), (16, 18, "B"), (20, 22, "T")]),
        (18, [(10, 11, "B"), (13, 21, "T")]),
        (21, [(10, 16, "T"), (18, 20, "R")]),
        (24, [(8, 10, "B"), (12, 14, "B")]),
    ]
    for y, runs in lines:
        for x0, x1, c in runs:
            for x in range(x0, x1 + 1):
                g[y][x] = c
    # a small star at the lower right: the file coming back to life
    for x, y in [(24, 24), (23, 25), (24, 25), (25, 25), (22, 26), (23, 26), (24, 26), (25, 26), (26, 26),
                 (23, 27), (24, 27), (25, 27), (24, 28)]:
        g[y][x] = "Y"
    return g


def icon_image():
    g = icon_pixels()
    header = struct.pack("<IiiHHIIiiII", 40, 32, 64, 1, 8, 0, 32 * 32 + 32 * 4, 0, 0, 0, 0)
    palette = b""
    for i in range(256):
        rgb = PALETTE[ORDER[i]] if i < len(ORDER) else (0, 0, 0)
        palette += bytes((rgb[2], rgb[1], rgb[0], 0))
    xor = b""
    mask = b""
    for y in reversed(range(32)):  # bottom-up rows
        row = g[y]
        xor += bytes(0 if c == "." else ORDER.index(c) for c in row)
        bits = 0
        for x, c in enumerate(row):
            if c == ".":
                bits |= 1 << (31 - x)
        mask += struct.pack(">I", bits)
    image = header + palette + xor + mask
    assert len(image) == 2216, len(image)
    return image


# --- cursor ----------------------------------------------------------------------------
HAND = [
    "............KK..................",
    "...........KWWK.................",
    "...........KWWK.................",
    "...........KWWK.................",
    "...........KWWK.................",
    "...........KWWKKK...............",
    "...........KWWKWWKKK............",
    "...........KWWKWWKWWKK..........",
    "...........KWWKWWKWWKWK.........",
    "........KK.KWWKWWKWWKWWK........",
    "........KWWKWWWWWWWWWWWK........",
    "........KWWKWWWWWWWWWWWK........",
    ".........KWWWWWWWWWWWWWK........",
    ".........KWWWWWWWWWWWWWK........",
    "..........KWWWWWWWWWWWWK........",
    "..........KWWWWWWWWWWWK.........",
    "...........KWWWWWWWWWWK.........",
    "...........KWWWWWWWWWWK.........",
    "............KWWWWWWWWK..........",
    "............KWWWWWWWWK..........",
    "............KKKKKKKKKK..........",
] + ["." * 32] * 11
HOT_X, HOT_Y = 12, 1


def cursor_image():
    assert len(HAND) == 32 and all(len(r) == 32 for r in HAND)
    assert HAND[HOT_Y][HOT_X] == "W"
    header = struct.pack("<IiiHHIIiiII", 40, 32, 64, 1, 4, 0, 32 * 16 + 32 * 4, 0, 0, 16, 0)
    vga = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128), (0, 128, 128),
           (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0), (0, 0, 255),
           (255, 0, 255), (0, 255, 255), (255, 255, 255)]
    palette = b"".join(bytes((b, g, r, 0)) for r, g, b in vga)
    xor = b""
    mask = b""
    for y in reversed(range(32)):
        row = HAND[y]
        idx = [15 if c == "W" else 0 for c in row]
        xor += bytes((idx[x] << 4) | idx[x + 1] for x in range(0, 32, 2))
        bits = 0
        for x, c in enumerate(row):
            if c == ".":
                bits |= 1 << (31 - x)
        mask += struct.pack(">I", bits)
    return header + palette + xor + mask


def main():
    res = Path(sys.argv[1]) if len(sys.argv) > 1 else Path(__file__).resolve().parent.parent / "shell/res"
    image = icon_image()
    (res / "icon30001.bin").write_bytes(image)
    (res / "Quorvel.ico").write_bytes(struct.pack("<HHH", 0, 1, 1)
                                      + struct.pack("<BBBBHHII", 32, 32, 0, 0, 1, 8, len(image), 22) + image)
    (res / "icongroup1.bin").write_bytes(struct.pack("<HHH", 0, 1, 1)
                                         + struct.pack("<BBBBHHIH", 32, 32, 0, 0, 1, 8, len(image), 30001))
    cur = cursor_image()
    (res / "hand.cur").write_bytes(struct.pack("<HHH", 0, 2, 1)
                                   + struct.pack("<BBBBHHII", 32, 32, 16, 0, HOT_X, HOT_Y, len(cur), 22) + cur)
    print("icon image", len(image), "bytes; cursor image", len(cur), "bytes")


if __name__ == "__main__":
    main()
