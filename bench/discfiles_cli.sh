#!/usr/bin/env bash
# The files inside 1,000 DFS discs on one card: `brelk files` of every disc, and `brelk extract`
# of every file of every disc against `cp -r` of the same files (once as one copy of the whole
# tree, once as one cp per disc, as brelk runs once per disc). Each disc holds 20 files of
# 2,000 bytes, stored squashed. Medians of RUNS (default 3). Extract syncs every file it writes; cp does not.
# Usage: bench/discfiles_cli.sh BRELK [WORKDIR]
set -euo pipefail
brelk=$(realpath "${1:?path to the brelk binary}")
work=$(mktemp -d "${2:-${TMPDIR:-/tmp}}/discfiles.XXXXXX")
trap 'rm -rf "$work"' EXIT
runs=${RUNS:-3}
discs=1000

python3 - "$work" "$discs" <<'PY'
import os, sys
work, count = sys.argv[1], int(sys.argv[2])
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
        side[8 + 8 * f:16 + 8 * f] = f"F{f:02d}    $".encode()
        side[264 + 8 * f:272 + 8 * f] = bytes([0, 0x19, 0x23, 0x80, length & 0xFF, length >> 8,
                                              (start >> 8) & 3, start & 0xFF])
        side[start * 256:start * 256 + length] = bytes([1 + (d + f) % 160]) * length  # never 0xAA
    open(f"{work}/discs/d{d:05d}.ssd", "wb").write(side)
PY

"$brelk" create "$work/card.img" 128M >/dev/null
"$brelk" format "$work/card.img" >/dev/null
"$brelk" add "$work/card.img" "$work/discs" >/dev/null
names=$(for i in $(seq 0 $((discs - 1))); do printf 'D%07d ' "$i"; done)

median() { sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
timed() { # seconds for the command given as one string
    local start end
    start=$(date +%s.%N)
    bash -c "$1" >/dev/null
    end=$(date +%s.%N)
    echo "$end - $start" | bc
}

list_all="for n in $names; do '$brelk' files '$work/card.img' \$n --json; done"
ls_all="for n in $names; do '$brelk' ls '$work/card.img'; done"
extract_all="rm -rf '$work/out'; mkdir '$work/out'; for n in $names; do '$brelk' extract '$work/card.img' \$n -o '$work/out/'\$n; done"
cp_tree="rm -rf '$work/copy'; cp -r '$work/out' '$work/copy'"
cp_each="rm -rf '$work/copy'; mkdir '$work/copy'; for n in $names; do cp -r '$work/out/'\$n '$work/copy/'\$n; done"

report() { # label, command
    local t
    t=$(for _ in $(seq $runs); do timed "$2"; done | median)
    printf '%-48s %8.2f s\n' "$1" "$t"
}
echo "1,000 discs of 20 files (2,000 bytes each); median of $runs runs; folder $work"
report "brelk files --json, every disc (1,000 runs)" "$list_all"
report "brelk ls, 1,000 runs (start and catalogue only)" "$ls_all"
report "brelk extract, every disc (1,000 runs)" "$extract_all"
report "cp -r of the extracted tree, once" "$cp_tree"
report "cp -r of each disc's folder (1,000 runs)" "$cp_each"
echo "files extracted: $(find "$work/out" -type f | wc -l), bytes: $(du -sb "$work/out" | cut -f1)"
