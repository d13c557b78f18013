#!/usr/bin/env python3
"""Draws the application icon into data/icons/hicolor: an MMC card with a clipped corner, gold
contacts along the top and a ROM chip on its face, as a scalable SVG and as PNGs in the usual
hicolor sizes. The PNGs are rasterised here from the same shapes (4 x 4 samples per pixel), so
no drawing program is needed. Standard library only; run it again after changing the picture.
"""
import os
import struct
import sys
import zlib

SIZES = [16, 22, 24, 32, 48, 64, 128, 256]
NAME = "brelkexplorer"

# Shapes on a 64 x 64 canvas, drawn in order: (colour RGBA, polygon points).
CARD_BLUE = (36, 64, 140, 255)
EDGE = (18, 32, 80, 255)
GOLD = (232, 184, 48, 255)
CHIP = (40, 40, 44, 255)
PIN = (200, 200, 208, 255)
LABEL = (240, 240, 244, 255)


def rect(x, y, w, h):
    return [(x, y), (x + w, y), (x + w, y + h), (x, y + h)]


def card(inset):
    i = inset
    return [(8 + i, 4 + i), (46 - i * 0.4, 4 + i), (56 - i, 14 + i * 0.4), (56 - i, 60 - i),
            (8 + i, 60 - i)]


def shapes():
    out = [(EDGE, card(0)), (CARD_BLUE, card(2))]
    for k in range(6):
        out.append((GOLD, rect(12 + k * 6, 8, 4, 9)))
    out.append((LABEL, rect(14, 24, 36, 30)))
    out.append((CHIP, rect(22, 30, 20, 18)))
    for k in range(4):
        out.append((PIN, rect(24 + k * 5, 27, 2, 3)))
        out.append((PIN, rect(24 + k * 5, 48, 2, 3)))
    return out


def inside(point, polygon):
    x, y = point
    result = False
    j = len(polygon) - 1
    for i, (xi, yi) in enumerate(polygon):
        xj, yj = polygon[j]
        if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
            result = not result
        j = i
    return result


def raster(size):
    scale = 64.0 / size
    samples = [(a + 0.5) / 4 for a in range(4)]
    pixels = bytearray()
    drawn = shapes()
    for py in range(size):
        pixels.append(0)  # PNG filter type: none
        for px in range(size):
            acc = [0.0, 0.0, 0.0, 0.0]
            for sy in samples:
                for sx in samples:
                    point = ((px + sx) * scale, (py + sy) * scale)
                    colour = (0, 0, 0, 0)
                    for fill, polygon in drawn:
                        if inside(point, polygon):
                            colour = fill
                    alpha = colour[3] / 255.0
                    for c in range(3):
                        acc[c] += colour[c] * alpha
                    acc[3] += alpha
            alpha = acc[3] / 16
            if alpha > 0:
                rgb = [round(acc[c] / acc[3]) for c in range(3)]
            else:
                rgb = [0, 0, 0]
            pixels.extend(bytes(rgb + [round(alpha * 255)]))
    return bytes(pixels)


def chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


def png(size):
    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
            chunk(b"IDAT", zlib.compress(raster(size), 9)) + chunk(b"IEND", b""))


def svg():
    lines = ['<svg xmlns="http://www.w3.org/2000/svg" width="64" height="64" viewBox="0 0 64 64">']
    for (r, g, b, _), polygon in shapes():
        points = " ".join("%g,%g" % p for p in polygon)
        lines.append('  <polygon fill="#%02x%02x%02x" points="%s"/>' % (r, g, b, points))
    lines.append("</svg>")
    return "\n".join(lines) + "\n"


def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)


def main():
    root = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "data", "icons",
                        "hicolor")
    if len(sys.argv) > 1:
        root = sys.argv[1]
    for size in SIZES:
        write(os.path.join(root, "%dx%d" % (size, size), "apps", NAME + ".png"), png(size))
    write(os.path.join(root, "scalable", "apps", NAME + ".svg"), svg().encode())


if __name__ == "__main__":
    main()
