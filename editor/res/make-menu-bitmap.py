#!/usr/bin/env python3
# Draws TextEditMenu.bmp, the text editor's menu pictures: five 13 x 13 tiles side by side
# (cut, paste, copy, delete, find), 24 bits, the top-left pixel's colour (magenta) marking
# the transparent parts. Run from this folder: python3 make-menu-bitmap.py
import struct

TILES = [
    # cut: scissors
    [".............",
     "..k.......k..",
     "..k.......k..",
     "...k.....k...",
     "....k...k....",
     ".....k.k.....",
     "......k......",
     ".....b.b.....",
     "...bbb.bbb...",
     "..b..b.b..b..",
     "..b..b.b..b..",
     "...bb...bb...",
     "............."],
    # paste: clipboard with a page
    ["....kkkkk....",
     ".yyykgggkyyy.",
     ".y..kkkkk..y.",
     ".y.........y.",
     ".y...wwwwwwk.",
     ".y...w....wk.",
     ".y...w.kk.wk.",
     ".y...w....wk.",
     ".y...w.kk.wk.",
     ".y...w....wk.",
     ".yyyyw.kk.wk.",
     ".....wwwwwwk.",
     "......kkkkkk."],
    # copy: two pages
    ["kkkkkk.......",
     "kwwwwk.......",
     "kw..wk.......",
     "kw.kkkkkk....",
     "kw.kwwwwkk...",
     "kw.kw....kk..",
     "kwwkw.kk..k..",
     "kkkkw.....k..",
     "...kw.kkk.k..",
     "...kw.....k..",
     "...kw.kkk.k..",
     "...kwwwwwwk..",
     "...kkkkkkkk.."],
    # delete: a red cross
    [".............",
     ".rr.......rr.",
     ".rrr.....rrr.",
     "..rrr...rrr..",
     "...rrr.rrr...",
     "....rrrrr....",
     ".....rrr.....",
     "....rrrrr....",
     "...rrr.rrr...",
     "..rrr...rrr..",
     ".rrr.....rrr.",
     ".rr.......rr.",
     "............."],
    # find: a magnifier
    ["...kkkk......",
     "..kccccK.....",
     ".kcwccccK....",
     ".kcwccccK....",
     ".kccccccK....",
     ".kccccccK....",
     "..kccccK.....",
     "...kkkkkk....",
     "........kk...",
     ".........kk..",
     "..........kk.",
     "...........k.",
     "............."],
]
COLOURS = {
    ".": (255, 0, 255), "k": (0, 0, 0), "K": (64, 64, 64), "b": (0, 0, 160), "y": (160, 120, 0),
    "g": (128, 128, 128), "w": (255, 255, 255), "r": (208, 0, 0), "c": (160, 224, 255),
}
WIDTH, HEIGHT = 13 * len(TILES), 13
row_bytes = (WIDTH * 3 + 3) & ~3
pixels = bytearray()
for y in range(HEIGHT - 1, -1, -1):
    row = bytearray()
    for tile in TILES:
        for ch in tile[y]:
            r, g, b = COLOURS[ch]
            row += bytes((b, g, r))
    row += b"\0" * (row_bytes - len(row))
    pixels += row
header = struct.pack("<2sIHHI", b"BM", 54 + len(pixels), 0, 0, 54)
info = struct.pack("<IiiHHIIiiII", 40, WIDTH, HEIGHT, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
with open("TextEditMenu.bmp", "wb") as f:
    f.write(header + info + pixels)
