#!/usr/bin/env python3
"""Draws unlimit.ico: a database cylinder with an arrow rising out of it, 32 x 32 pixels in
the 16 standard Windows colours. Run it again only to change the picture."""
import struct
import sys

PALETTE = [  # index: (red, green, blue)
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, DARK_BLUE, SILVER, GREY, GREEN, WHITE, BLUE = 0, 4, 7, 8, 2, 15, 12
SIZE = 32
TRANSPARENT = None


def draw():
    pixels = [[TRANSPARENT] * SIZE for _ in range(SIZE)]

    def put(x, y, colour):
        if 0 <= x < SIZE and 0 <= y < SIZE:
            pixels[y][x] = colour

    def ellipse_row(cx, cy, rx, ry, y):
        """Half-width of the ellipse at row y, or None outside it."""
        dy = (y - cy) / ry
        if abs(dy) > 1:
            return None
        return rx * (1 - dy * dy) ** 0.5

    # The cylinder: a body between two ellipses, shaded from left to right.
    cx, rx, ry, top, bottom = 11.5, 9, 3, 12, 26
    for y in range(SIZE):
        for x in range(SIZE):
            inside_body = top <= y <= bottom and abs(x - cx) <= rx
            w = ellipse_row(cx, bottom, rx, ry, y)
            inside_base = w is not None and abs(x - cx) <= w
            if inside_body or inside_base:
                shade = SILVER if x - cx < rx * 0.3 else GREY
                put(x, y, WHITE if x - cx < -rx * 0.55 else shade)
    for y in range(SIZE):
        w = ellipse_row(cx, top, rx, ry, y)
        if w is not None:
            for x in range(SIZE):
                if abs(x - cx) <= w:
                    put(x, y, BLUE if abs(x - cx) < w - 1 and abs(y - top) < ry - 1 else DARK_BLUE)
    # Bands that mark the stored data.
    for band in (18, 23):
        for x in range(SIZE):
            w = ellipse_row(cx, band, rx, ry, band + 2)
            if abs(x - cx) <= rx and w is not None and abs(x - cx) >= w - 0.5:
                put(x, band + 2, DARK_BLUE)
    # Outline of the body's sides.
    for y in range(top, bottom + 1):
        put(round(cx - rx), y, BLACK)
        put(round(cx + rx), y, BLACK)

    # The arrow: a shaft rising from the cylinder's top past the picture's edge.
    ax = 26
    for y in range(4, 22):
        for x in range(ax - 1, ax + 2):
            put(x, y, GREEN)
    for row in range(6):
        for x in range(ax - row - 1, ax + row + 2):
            put(x, 1 + row, GREEN)
    for row in range(6):
        put(ax - row - 2, 1 + row, BLACK)
        put(ax + row + 2, 1 + row, BLACK)
    return pixels


def encode(pixels):
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 4, 0, 0, 0, 0, 16, 0)
    palette = b"".join(struct.pack("BBBB", b, g, r, 0) for r, g, b in PALETTE)
    colour_rows, mask_rows = [], []
    for y in reversed(range(SIZE)):  # bitmaps run bottom up
        row = pixels[y]
        nibbles = [(c if c is not None else 0) for c in row]
        colour_rows.append(bytes((nibbles[i] << 4) | nibbles[i + 1] for i in range(0, SIZE, 2)))
        bits = 0
        for c in row:
            bits = (bits << 1) | (1 if c is None else 0)
        mask_rows.append(bits.to_bytes(SIZE // 8, "big"))
    image = header + palette + b"".join(colour_rows) + b"".join(mask_rows)
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 16, 0, 1, 4, len(image), 6 + 16)
    return directory + entry + image


if __name__ == "__main__":
    target = sys.argv[1] if len(sys.argv) > 1 else "unlimit.ico"
    with open(target, "wb") as out:
        out.write(encode(draw()))
