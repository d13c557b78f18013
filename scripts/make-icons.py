#!/usr/bin/env python3
"""Draws the thirteen object icons into imgs/: 12 x 14 pixels, 24-bit BMP, drawn opaque.

Each kind has its own shape and colour: a ROM chip for filing systems (blue DFS, green ADFS,
purple DNFS, with the family's letter and a yellow sticker when patched), a floppy disc for
DFS (blue) and ADFS (green) discs, a flattened floppy under two arrows for a squashed DFS
disc, a cassette for a tape, a wrench for a tool, a bin for a deleted object and a question
mark for anything else. Standard library only; run it again after changing a picture.
"""
import os
import struct
import sys

WIDTH, HEIGHT = 12, 14

PALETTE = {
    ".": (255, 255, 255),  # background
    "w": (255, 255, 255),
    "k": (0, 0, 0),
    "d": (72, 72, 72),
    "g": (168, 168, 168),
    "s": (208, 208, 208),
    "b": (32, 72, 200),
    "G": (24, 140, 56),
    "p": (136, 48, 168),
    "o": (232, 128, 24),
    "y": (248, 216, 32),
    "r": (208, 32, 32),
    "n": (128, 80, 32),
}

# Letters of 4 x 5 pixels for the chips and disc labels.
LETTERS = {
    "D": ["###.", "#..#", "#..#", "#..#", "###."],
    "A": [".##.", "#..#", "####", "#..#", "#..#"],
    "N": ["#..#", "##.#", "#.##", "#..#", "#..#"],
}

CHIP = [
    "............",
    "..XXX..XXX..",
    "ggXXXXXXXXgg",
    "..XXXXXXXX..",
    "ggXXXXXXXXgg",
    "..XXXXXXXX..",
    "ggXXXXXXXXgg",
    "..XXXXXXXX..",
    "ggXXXXXXXXgg",
    "..XXXXXXXX..",
    "ggXXXXXXXXgg",
    "..XXXXXXXX..",
    "ggXXXXXXXXgg",
    "............",
]

# The yellow sticker with a red centre that marks a patched ROM.
PATCH_MARK = {
    (9, 8): "y", (9, 9): "y",
    (10, 7): "y", (10, 8): "r", (10, 9): "r", (10, 10): "y",
    (11, 7): "y", (11, 8): "r", (11, 9): "r", (11, 10): "y",
    (12, 8): "y", (12, 9): "y",
}

FLOPPY = [
    "............",
    "XXXsssssXXX.",
    "XXXsskssXXXX",
    "XXXsskssXXXX",
    "XXXsssssXXXX",
    "XXXXXXXXXXXX",
    "XwwwwwwwwwwX",
    "XwwwwwwwwwwX",
    "XwwwwwwwwwwX",
    "XwwwwwwwwwwX",
    "XwwwwwwwwwwX",
    "XwwwwwwwwwwX",
    "XXXXXXXXXXXX",
    "............",
]

SQUASHED = [
    "...o.....o..",
    "...o.....o..",
    ".ooooo.ooooo",
    "..ooo...ooo.",
    "...o.....o..",
    "............",
    "XXsssssXXXX.",
    "XXsskssXXXXX",
    "XXXXXXXXXXXX",
    "XwwwwwwwwwwX",
    "XwggggggggwX",
    "XwwwwwwwwwwX",
    "XXXXXXXXXXXX",
    "............",
]

CASSETTE = [
    "............",
    "............",
    "nnnnnnnnnnnn",
    "nyyyyyyyyyyn",
    "nykkkkkkkkyn",
    "nykwwkkwwkyn",
    "nykwwkkwwkyn",
    "nykkkkkkkkyn",
    "nyyyyyyyyyyn",
    "nnnnnnnnnnnn",
    "nnnddddddnnn",
    ".nnnnnnnnnn.",
    "............",
    "............",
]

WRENCH = [
    "........dd..",
    ".......dd..d",
    ".......dd.dd",
    ".......ddddd",
    "......dddd..",
    ".....ddd....",
    "....ddd.....",
    "...rrr......",
    "..rrr.......",
    ".rrr........",
    "rrr.........",
    "rr..........",
    "............",
    "............",
]

BIN = [
    "....dddd....",
    ".dddddddddd.",
    "............",
    "..gggggggg..",
    "..ggdggdgg..",
    "..ggdggdgg..",
    "..ggdggdgg..",
    "..ggdggdgg..",
    "..ggdggdgg..",
    "..ggdggdgg..",
    "..ggdggdgg..",
    "..ggdggdgg..",
    "..gggggggg..",
    "............",
]

QUESTION = [
    "............",
    "....kkkkk...",
    "...kk...kk..",
    "...kk...kk..",
    "........kk..",
    ".......kk...",
    "......kk....",
    ".....kk.....",
    ".....kk.....",
    "............",
    ".....kk.....",
    ".....kk.....",
    "............",
    "............",
]


def coloured(grid, colour):
    return [row.replace("X", colour) for row in grid]


def with_letter(grid, letter, colour, top, left):
    rows = [list(row) for row in grid]
    for y, line in enumerate(LETTERS[letter]):
        for x, pixel in enumerate(line):
            if pixel == "#":
                rows[top + y][left + x] = colour
    return ["".join(row) for row in rows]


def with_mark(grid, mark):
    rows = [list(row) for row in grid]
    for (y, x), pixel in mark.items():
        rows[y][x] = pixel
    return ["".join(row) for row in rows]


def chip(colour, letter, patched):
    grid = with_letter(coloured(CHIP, colour), letter, "w", 3, 4)
    return with_mark(grid, PATCH_MARK) if patched else grid


def disc(colour, letter):
    return with_letter(coloured(FLOPPY, colour), letter, colour, 6, 4)


ICONS = {
    "object_other.bmp": QUESTION,
    "object_disc_adfs.bmp": disc("G", "A"),
    "object_disc_dfs.bmp": disc("b", "D"),
    "object_disc_dfs_squashed.bmp": coloured(SQUASHED, "b"),
    "object_disc_tape.bmp": CASSETTE,
    "object_tool.bmp": WRENCH,
    "object_fs_dfs.bmp": chip("b", "D", False),
    "object_fs_adfs.bmp": chip("G", "A", False),
    "object_fs_dnfs.bmp": chip("p", "N", False),
    "object_fs_dfs_patched.bmp": chip("b", "D", True),
    "object_fs_adfs_patched.bmp": chip("G", "A", True),
    "object_fs_dnfs_patched.bmp": chip("p", "N", True),
    "object_deleted.bmp": BIN,
}


def bmp_bytes(grid):
    assert len(grid) == HEIGHT and all(len(row) == WIDTH for row in grid), grid
    row_size = (WIDTH * 3 + 3) // 4 * 4
    pixels = bytearray()
    for row in reversed(grid):  # BMP rows run bottom-up
        line = bytearray()
        for pixel in row:
            r, g, b = PALETTE[pixel]
            line += bytes((b, g, r))
        line += bytes(row_size - len(line))
        pixels += line
    header = struct.pack("<2sIHHI", b"BM", 54 + len(pixels), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, WIDTH, HEIGHT, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    return header + info + bytes(pixels)


def main():
    folder = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "imgs")
    if len(sys.argv) > 1:
        folder = sys.argv[1]
    os.makedirs(folder, exist_ok=True)
    for name, grid in ICONS.items():
        with open(os.path.join(folder, name), "wb") as f:
            f.write(bmp_bytes(grid))
    print(f"wrote {len(ICONS)} icons to {os.path.normpath(folder)}")


if __name__ == "__main__":
    main()
