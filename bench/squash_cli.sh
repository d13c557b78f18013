#!/usr/bin/env bash
# `brelk squash` of 500 full-side DFS discs on a card of 500 entries and on one of 65,500
# (65,000 one-block tools beside the discs), with `brelk ls` of the same card beside it: ls
# is the part of every command that grows with the catalogue (opening and reading it), the
# rest is the squash itself. Medians of 3, each run on a fresh copy of the card.
# Usage: bench/squash_cli.sh BRELK
set -euo pipefail
brelk=$(realpath "${1:?path to the brelk binary}")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
runs=3

# 500 single-sided discs of 800 sectors with one file of 256 bytes, and Tools one-block files.
python3 - "$work" <<'EOF'
import os, sys
work = sys.argv[1]
os.makedirs(f"{work}/discs")
os.makedirs(f"{work}/tools")
for i in range(500):
    side = bytearray(204800)
    title = f"D{i:07d}".encode()
    side[0:8] = title
    side[8:16] = b"GAME   $"
    side[256 + 5] = 8             # one file
    side[256 + 6] = 0x03          # 800 sectors: high bits
    side[256 + 7] = 0x20          #              low byte
    side[256 + 8:256 + 16] = bytes([0, 0x19, 0, 0x19, 0, 1, 0, 2])
    side[512:768] = bytes([i % 256]) * 256
    open(f"{work}/discs/d{i:05d}.ssd", "wb").write(side)
for i in range(65000):
    open(f"{work}/tools/t{i:05d}.bin", "wb").write((b"T" + i.to_bytes(3, "little")) * 128)
EOF

names=$(for i in $(seq 0 499); do printf 'D%07d ' "$i"; done)
# Median of the numbers on standard input.
median() { sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
seconds() {
    /usr/bin/time -f "%e" -o "$work/time" "$@" >/dev/null
    cat "$work/time"
}

for tools in 0 65000; do
    card="$work/card-$tools.img"
    "$brelk" create "$card" 256M >/dev/null
    "$brelk" format "$card" >/dev/null
    [ "$tools" -eq 0 ] || "$brelk" add "$card" "$work/tools" >/dev/null
    "$brelk" add "$card" "$work/discs" --expand >/dev/null
    : >"$work/squash" && : >"$work/ls"
    for _ in $(seq $runs); do
        cp --sparse=always "$card" "$work/run.img"
        # shellcheck disable=SC2086 # one argument per disc name
        seconds "$brelk" squash "$work/run.img" $names >>"$work/squash"
        seconds "$brelk" ls "$work/run.img" >>"$work/ls"
    done
    echo "$((tools + 500)) entries: squash $(median <"$work/squash") s," \
        "ls $(median <"$work/ls") s"
done
