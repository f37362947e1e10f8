#!/usr/bin/env python3
"""Draws Toolbar.bmp: the four toolbar pictures of Sektorlupe, 16 x 15 each, side by side
(previous sector, next sector, data window, refresh data window), 24-bit on the grey
RGB(192, 192, 192) that the toolbar and the menus take as background. Run once by hand;
the build uses the .bmp file.

    python3 app/res/make-toolbar.py app/res/Toolbar.bmp
"""
import struct
import sys

W, H, N = 16, 15, 4
GREY = (192, 192, 192)
BLACK = (0, 0, 0)
NAVY = (0, 0, 128)
BLUE = (0, 96, 208)
WHITE = (255, 255, 255)
DARK = (128, 128, 128)
GREEN = (0, 128, 0)
YELLOW = (255, 224, 64)

pixels = [[GREY] * (W * N) for _ in range(H)]


def put(i, x, y, c):
    if 0 <= x < W and 0 <= y < H:
        pixels[y][i * W + x] = c


def arrow(i, right):
    # A sector (a small page) with a fat arrow over it.
    for y in range(2, 13):
        for x in range(2, 9):
            put(i, x if right else 15 - x, y, WHITE)
        put(i, 1 if right else 14, y, DARK)
        put(i, 9 if right else 6, y, DARK)
    for x in range(1, 10):
        put(i, x if right else 15 - x, 1, DARK)
        put(i, x if right else 15 - x, 13, DARK)
    for y in range(4, 12, 2):
        for x in range(3, 8):
            put(i, x if right else 15 - x, y, DARK)
    for d in range(0, 6):
        for y in range(7 - d, 8 + d):
            x = 15 - d if right else d
            put(i, x, y, BLUE)
    for x in range(6, 10):
        for y in range(6, 9):
            put(i, x if right else 15 - x, y, BLUE)


def window(i):
    # A window with a title bar and rows of values.
    for y in range(1, 14):
        for x in range(1, 15):
            put(i, x, y, WHITE)
    for x in range(1, 15):
        put(i, x, 1, NAVY)
        put(i, x, 2, NAVY)
        put(i, x, 13, BLACK)
    for y in range(1, 14):
        put(i, 1, y, BLACK)
        put(i, 14, y, BLACK)
    for y in range(4, 13, 2):
        for x in range(3, 7):
            put(i, x, y, DARK)
        for x in range(8, 13):
            put(i, x, y, GREEN)


def refresh(i):
    window(i)
    # A yellow circular arrow in the lower right corner.
    ring = [(9, 7), (10, 7), (11, 7), (12, 8), (13, 9), (13, 10), (13, 11), (12, 12), (11, 13),
            (10, 13), (9, 13), (8, 12), (7, 11), (7, 10)]
    for (x, y) in ring:
        put(i, x, y, YELLOW)
        put(i, x, min(y + 1, 14), BLACK) if (x, y) in [(12, 12), (11, 13), (10, 13)] else None
    for (x, y) in [(6, 9), (7, 9), (8, 9), (7, 8)]:
        put(i, x, y, YELLOW)


arrow(0, False)
arrow(1, True)
window(2)
refresh(3)

row = (W * N * 3 + 3) // 4 * 4
data = bytearray()
for y in range(H - 1, -1, -1):
    line = bytearray()
    for (r, g, b) in pixels[y]:
        line += bytes((b, g, r))
    line += b"\0" * (row - len(line))
    data += line
header = struct.pack("<IiiHHIIiiII", 40, W * N, H, 1, 24, 0, len(data), 2835, 2835, 0, 0)
with open(sys.argv[1], "wb") as f:
    f.write(struct.pack("<2sIHHI", b"BM", 14 + 40 + len(data), 0, 0, 54))
    f.write(header)
    f.write(data)
