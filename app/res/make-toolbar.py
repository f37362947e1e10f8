#!/usr/bin/env python3
"""Draws Toolbar.bmp: the six toolbar pictures of Sektorlupe, 16 x 15 each, side by side
(previous sector, next sector, data window, refresh data window, info view, CHS to sector),
24-bit on the grey
RGB(192, 192, 192) that the toolbar and the menus take as background. Run once by hand;
the build uses the .bmp file.

    python3 app/res/make-toolbar.py app/res/Toolbar.bmp
"""
import struct
import sys

W, H, N = 16, 15, 6
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


def outlined(i, left, top, right, bottom, rounded=False):
    # A white shape in a dark outline, its corners cut off when rounded.
    for y in range(top + 1, bottom):
        corner = 1 if rounded and y in (top + 1, bottom - 1) else 0
        for x in range(left + 1 + corner, right - corner):
            put(i, x, y, WHITE)
        put(i, left + corner, y, DARK)
        put(i, right - corner, y, DARK)
    cut = 2 if rounded else 0
    for x in range(left + cut, right - cut + 1):
        put(i, x, top, DARK)
        put(i, x, bottom, DARK)


def info(i):
    # A decoded sector: a page of field lines with a blue "i" badge in the lower right.
    outlined(i, 1, 0, 12, 14)
    for y in range(3, 12, 2):
        for x in range(3, 6):
            put(i, x, y, NAVY)
        for x in range(7, 11):
            put(i, x, y, GREEN)
    for y in range(7, 15):
        for x in range(9, 16):
            if (x - 12) ** 2 + (y - 11) ** 2 <= 12:
                put(i, x, y, BLUE)
    put(i, 12, 8, WHITE)
    for y in range(10, 14):
        put(i, 12, y, WHITE)
    put(i, 11, 10, WHITE)


def chs(i):
    # A disk as a drum of platters, and an arrow from it to the sector it names.
    outlined(i, 0, 0, 10, 14, rounded=True)
    # The platters' edges, bowed like the drum's rim.
    for top in (3, 7, 11):
        for x in range(1, 10):
            put(i, x, top + (1 if 3 <= x <= 7 else 0), NAVY)
    put(i, 5, 6, BLACK)   # the head on its track
    for x in range(11, 14):
        for y in range(6, 9):
            put(i, x, y, GREEN)
    for d, half in [(13, 3), (14, 2), (15, 1)]:
        for y in range(7 - half, 8 + half):
            put(i, d, y, GREEN)


arrow(0, False)
arrow(1, True)
window(2)
refresh(3)
info(4)
chs(5)

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
