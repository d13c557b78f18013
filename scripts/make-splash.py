#!/usr/bin/env python3
"""Draws imgs/splash.bmp: an MMC card, 358 x 480, 24-bit BMP.

Pure white is the see-through colour of the splash window, so everything outside the card is
pure white and nothing on the card is. The lower part of the card stays plain and dark: the
window writes its name, credit and comment lines there. Standard library only.
"""
import os
import struct
import sys

WIDTH, HEIGHT = 358, 480
WHITE = (255, 255, 255)

# A 5 x 7 pixel font, enough for the words drawn on the card.
FONT = {
    "M": ["10001", "11011", "10101", "10101", "10001", "10001", "10001"],
    "C": ["01110", "10001", "10000", "10000", "10000", "10001", "01110"],
    "B": ["11110", "10001", "10001", "11110", "10001", "10001", "11110"],
    "R": ["11110", "10001", "10001", "11110", "10100", "10010", "10001"],
    "E": ["11111", "10000", "10000", "11110", "10000", "10000", "11111"],
    "L": ["10000", "10000", "10000", "10000", "10000", "10000", "11111"],
    "K": ["10001", "10010", "10100", "11000", "10100", "10010", "10001"],
    "A": ["01110", "10001", "10001", "11111", "10001", "10001", "10001"],
    "D": ["11100", "10010", "10001", "10001", "10001", "10010", "11100"],
    "-": ["00000", "00000", "00000", "11111", "00000", "00000", "00000"],
    " ": ["00000"] * 7,
}


def mix(a, b, t):
    return tuple(int(round(x + (y - x) * t)) for x, y in zip(a, b))


def inside_card(x, y):
    """The card outline: rounded corners, the top-right corner cut off."""
    left, top, right, bottom, radius, cut = 4, 4, WIDTH - 5, HEIGHT - 5, 14, 64
    if not (left <= x <= right and top <= y <= bottom):
        return False
    if (right - x) + (y - top) < cut:
        return False
    for cx, cy in ((left + radius, top + radius), (left + radius, bottom - radius),
                   (right - radius, bottom - radius)):
        beyond_x = x < cx if cx < WIDTH // 2 else x > cx
        beyond_y = y < cy if cy < HEIGHT // 2 else y > cy
        if beyond_x and beyond_y and (x - cx) ** 2 + (y - cy) ** 2 > radius ** 2:
            return False
    return True


def near_edge(x, y, width):
    return any(not inside_card(x + dx, y + dy)
               for dx, dy in ((width, 0), (-width, 0), (0, width), (0, -width)))


def body_colour(x, y):
    top, bottom = (58, 72, 104), (24, 30, 48)
    colour = mix(top, bottom, y / HEIGHT)
    gloss = max(0.0, 1.0 - (x + y) / 260.0) * 0.35
    return mix(colour, (120, 140, 180), gloss)


def draw_card(pixels):
    for y in range(HEIGHT):
        for x in range(WIDTH):
            if not inside_card(x, y):
                continue
            pixels[y][x] = (200, 204, 214) if near_edge(x, y, 2) else body_colour(x, y)


def fill(pixels, x0, y0, x1, y1, colour):
    for y in range(y0, y1):
        for x in range(x0, x1):
            pixels[y][x] = colour


def draw_contacts(pixels):
    """Seven gold contact pads along the top edge; the first sits below the cut corner."""
    for i in range(7):
        x0 = 28 + i * 40
        y0 = 22 if i < 6 else 70
        fill(pixels, x0, y0, x0 + 26, y0 + 58, (150, 118, 40))
        fill(pixels, x0 + 2, y0 + 2, x0 + 24, y0 + 56, (214, 176, 74))
        fill(pixels, x0 + 4, y0 + 4, x0 + 10, y0 + 30, (240, 214, 128))


def draw_text(pixels, text, x0, y0, scale, colour, shadow=None):
    for offset, colour_now in (((3, 3), shadow), ((0, 0), colour)):
        if colour_now is None:
            continue
        for i, char in enumerate(text):
            rows = FONT[char]
            for row, bits in enumerate(rows):
                for col, bit in enumerate(bits):
                    if bit == "1":
                        x = x0 + offset[0] + (i * 6 + col) * scale
                        y = y0 + offset[1] + row * scale
                        fill(pixels, x, y, x + scale, y + scale, colour_now)


def text_width(text, scale):
    return (len(text) * 6 - 1) * scale


def draw_label(pixels):
    """The card's sticker: a lighter panel with the words on it."""
    fill(pixels, 24, 140, 334, 312, (96, 112, 148))
    fill(pixels, 28, 144, 330, 308, (34, 44, 70))
    big = "MMC"
    draw_text(pixels, big, (WIDTH - text_width(big, 14)) // 2, 160, 14, (230, 232, 240),
              (12, 16, 28))
    small = "BRELK-CARD"
    draw_text(pixels, small, (WIDTH - text_width(small, 4)) // 2, 272, 4, (214, 176, 74))
    # A thin rule above the area where the window writes its lines.
    fill(pixels, 24, 320, 334, 322, (96, 112, 148))


def write_bmp(path, pixels):
    row_size = (WIDTH * 3 + 3) & ~3
    data = bytearray()
    for y in range(HEIGHT - 1, -1, -1):
        row = bytearray()
        for r, g, b in pixels[y]:
            row += bytes((b, g, r))
        row += bytes(row_size - len(row))
        data += row
    header = struct.pack("<2sIHHI", b"BM", 54 + len(data), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, WIDTH, HEIGHT, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    with open(path, "wb") as out:
        out.write(header + info + data)


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    path = sys.argv[1] if len(sys.argv) > 1 else os.path.join(root, "imgs", "splash.bmp")
    pixels = [[WHITE] * WIDTH for _ in range(HEIGHT)]
    draw_card(pixels)
    draw_contacts(pixels)
    draw_label(pixels)
    write_bmp(path, pixels)


if __name__ == "__main__":
    main()
