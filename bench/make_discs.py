#!/usr/bin/env python3
# Writes COUNT small DFS discs (d00000.ssd ...) into WORK/discs for the command-line benchmarks:
# 20 files of 2000 bytes each, distinct bytes per file (never 0xAA). With ELITE_EVERY above 0,
# every ELITE_EVERY-th disc names its first file ELITE.
# Usage: bench/make_discs.py WORK COUNT [ELITE_EVERY]
import os
import sys

work, count = sys.argv[1], int(sys.argv[2])
elite_every = int(sys.argv[3]) if len(sys.argv) > 3 else 0
os.makedirs(f"{work}/discs")
for d in range(count):
    files, length, sectors = 20, 2000, 8  # 8 sectors a file
    used = 2 + files * sectors
    side = bytearray(used * 256)
    side[0:8] = f"D{d:07d}".encode()
    side[256 + 5] = files * 8
    side[256 + 6] = (used >> 8) & 3
    side[256 + 7] = used & 0xFF
    for f in range(files):
        start = used - (f + 1) * sectors  # highest start sector first, as DFS keeps them
        elite = elite_every > 0 and f == 0 and d % elite_every == 0
        name = b"ELITE  " if elite else f"F{f:02d}    ".encode()
        side[8 + 8 * f:16 + 8 * f] = name + b"$"
        side[264 + 8 * f:272 + 8 * f] = bytes([0, 0x19, 0x23, 0x80, length & 0xFF, length >> 8,
                                              (start >> 8) & 3, start & 0xFF])
        side[start * 256:start * 256 + length] = bytes([1 + (d + f) % 160]) * length
    open(f"{work}/discs/d{d:05d}.ssd", "wb").write(side)
