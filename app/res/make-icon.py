#!/usr/bin/env python3
"""Draws Sektorlupe.ico: a magnifying glass over a hard disk, 16x16 and 32x32, 32-bit
with alpha and a matching AND mask. Run once by hand; the build uses the .ico file.

    python3 app/res/make-icon.py app/res/Sektorlupe.ico
"""
import math
import struct
import sys

SUB = 4  # sub-samples per pixel and axis (anti-aliasing)


def rounded_rect(x0, y0, x1, y1, r):
    def inside(x, y):
        if not (x0 <= x <= x1 and y0 <= y <= y1):
            return False
        cx = min(max(x, x0 + r), x1 - r)
        cy = min(max(y, y0 + r), y1 - r)
        return (x - cx) ** 2 + (y - cy) ** 2 <= r * r
    return inside


def disc(cx, cy, r):
    return lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def ring(cx, cy, r_in, r_out):
    return lambda x, y: r_in * r_in <= (x - cx) ** 2 + (y - cy) ** 2 <= r_out * r_out


def thick_line(ax, ay, bx, by, half):
    dx, dy = bx - ax, by - ay
    length2 = dx * dx + dy * dy

    def inside(x, y):
        t = max(0.0, min(1.0, ((x - ax) * dx + (y - ay) * dy) / length2))
        px, py = ax + t * dx, ay + t * dy
        return (x - px) ** 2 + (y - py) ** 2 <= half * half
    return inside


# Shapes in unit coordinates (0..1, y downwards), painted in order; colour RGBA 0..255.
LENS_X, LENS_Y, LENS_R = 0.60, 0.58, 0.21
_h = (LENS_R + 0.02) / math.sqrt(2)
SHAPES = [
    (rounded_rect(0.04, 0.08, 0.80, 0.80, 0.10), (52, 68, 96, 255)),        # drive body
    (rounded_rect(0.07, 0.11, 0.77, 0.77, 0.08), (84, 104, 138, 255)),      # body face
    (disc(0.42, 0.44, 0.29), (196, 202, 214, 255)),                         # platter
    (ring(0.42, 0.44, 0.17, 0.19), (150, 158, 172, 255)),                   # track
    (disc(0.42, 0.44, 0.06), (70, 78, 92, 255)),                            # spindle
    (thick_line(LENS_X + _h, LENS_Y + _h, 0.95, 0.95, 0.07), (110, 62, 24, 255)),  # handle
    (disc(LENS_X, LENS_Y, LENS_R), (150, 205, 255, 150)),                   # glass
    (ring(LENS_X, LENS_Y, LENS_R - 0.055, LENS_R), (24, 26, 32, 255)),      # lens rim
    (disc(LENS_X - 0.07, LENS_Y - 0.07, 0.045), (255, 255, 255, 190)),      # glint
]


def render(size):
    """Returns rows top-down of (r, g, b, a) tuples."""
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            acc = [0.0, 0.0, 0.0, 0.0]  # premultiplied
            for sy in range(SUB):
                for sx in range(SUB):
                    x = (px + (sx + 0.5) / SUB) / size
                    y = (py + (sy + 0.5) / SUB) / size
                    r = g = b = a = 0.0
                    for inside, (cr, cg, cb, ca) in SHAPES:
                        if inside(x, y):
                            al = ca / 255.0
                            r = cr * al + r * (1 - al)
                            g = cg * al + g * (1 - al)
                            b = cb * al + b * (1 - al)
                            a = al + a * (1 - al)
                    acc[0] += r
                    acc[1] += g
                    acc[2] += b
                    acc[3] += a
            n = SUB * SUB
            a = acc[3] / n
            if a <= 0.0:
                row.append((0, 0, 0, 0))
            else:
                row.append((round(acc[0] / n / a), round(acc[1] / n / a),
                            round(acc[2] / n / a), round(a * 255)))
        rows.append(row)
    return rows


def icon_image(size):
    rows = render(size)
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    xor = bytearray()
    for row in reversed(rows):          # bottom-up
        for r, g, b, a in row:
            xor += bytes((b, g, r, a))
    stride = ((size + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(rows):
        line = bytearray(stride)
        for x, (_, _, _, a) in enumerate(row):
            if a < 128:                 # transparent where the alpha is below half
                line[x // 8] |= 0x80 >> (x % 8)
        mask += line
    return header + xor + mask


def main(path):
    sizes = (16, 32)
    images = [icon_image(s) for s in sizes]
    out = bytearray(struct.pack('<HHH', 0, 1, len(images)))
    offset = 6 + 16 * len(images)
    for s, img in zip(sizes, images):
        out += struct.pack('<BBBBHHII', s, s, 0, 0, 1, 32, len(img), offset)
        offset += len(img)
    for img in images:
        out += img
    with open(path, 'wb') as f:
        f.write(out)


if __name__ == '__main__':
    main(sys.argv[1] if len(sys.argv) > 1 else 'Sektorlupe.ico')
