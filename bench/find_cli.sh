#!/usr/bin/env bash
# `brelk find CARD ELITE` on a card of 1,000 small DFS discs (20 files each; every 100th disc
# holds $.ELITE) against the floor: a small C program that reads the card's catalogue and the
# 512-byte catalogue (sectors 0 and 1) of each disc and looks for the name there. Both are
# measured in this run, alternating, medians of RUNS (default 15), each run REPEATS (default 20)
# calls back to back (one call takes a few hundredths of a second):
#  - time: wall and CPU (user + system); the ratio is the median of the ratios of each brelk
#    run to the floor run right after it, so a change of load between runs counts little;
#  - bytes read from the card's file: the sum of what the read and pread64 calls on it
#    returned, counted with strace (in a separate run, as strace slows every call).
# Usage: bench/find_cli.sh BRELK [WORKDIR]
set -euo pipefail
brelk=$(realpath "${1:?path to the brelk binary}")
work=$(mktemp -d "${2:-${TMPDIR:-/tmp}}/find.XXXXXX")
trap 'rm -rf "$work"' EXIT
runs=${RUNS:-15}
repeats=${REPEATS:-20}
discs=1000

python3 "$(dirname "$0")/make_discs.py" "$work" "$discs" 100

# The floor: the catalogue header, the entries, and sectors 0 and 1 of each DFS disc.
cat >"$work/floor.c" <<'C'
#include <fcntl.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>
static uint32_t le32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | (uint32_t)p[3] << 24; }
int main(int argc, char** argv) {
    int fd = open(argv[1], O_RDONLY);
    uint8_t header[512], cat[512];
    if (fd < 0 || pread(fd, header, 512, 0) != 512) return 1;
    uint32_t count = le32(header + 16);
    uint8_t* entries = malloc((size_t)count * 64 + 512);
    size_t length = ((size_t)count * 64 + 511) / 512 * 512;
    if (pread(fd, entries, length, 512) != (ssize_t)length) return 1;
    for (uint32_t i = 0; i < count; ++i) {
        const uint8_t* e = entries + 64 * i;
        if (e[0] != 3 || e[1] != 1 || pread(fd, cat, 512, le32(e + 4)) != 512) continue;
        for (int f = 0; f < cat[256 + 5] / 8; ++f)
            if (memcmp(cat + 8 + 8 * f, "ELITE  ", 7) == 0)
                printf("%.48s 0 %c.ELITE\n", (const char*)e + 16, cat[15 + 8 * f] & 0x7F);
    }
    return 0;
}
C
cc -O2 -o "$work/floor" "$work/floor.c"

card="$work/card.img"
"$brelk" create "$card" 64M >/dev/null
"$brelk" format "$card" >/dev/null
"$brelk" add "$card" "$work/discs" >/dev/null
found=$("$brelk" find "$card" ELITE | wc -l)
floor_found=$("$work/floor" "$card" | wc -l)
[ "$found" = 10 ] && [ "$floor_found" = 10 ] || { echo "found $found and $floor_found, not 10" >&2; exit 1; }

median() { sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
mkdir "$work/times"
measure() { # label, command: the time of Repeats calls
    /usr/bin/time -f "%e %U %S" -o "$work/time" bash -c "for _ in \$(seq $repeats); do $2; done" >/dev/null
    awk '{ printf "%s %.3f\n", $1, $2 + $3 }' "$work/time" >>"$work/times/$1"
}
col() { cut -d' ' -f"$2" "$work/times/$1" | median; }
paired() { paste -d' ' "$work/times/$1" "$work/times/$2" |
    awk -v c="$3" '{ if ($(c + 2) > 0) printf "%.2f\n", $c / $(c + 2) }' | median; }
# Bytes that the read and pread64 calls on the card's file returned.
card_bytes() {
    strace -f -y -e trace=read,pread64 -o "$work/trace" "$@" >/dev/null 2>&1
    grep -F "<$card>" "$work/trace" | awk -F' = ' '$NF ~ /^[0-9]+$/ { s += $NF } END { print s + 0 }'
}

for _ in $(seq "$runs"); do
    measure find "'$brelk' find '$card' ELITE"
    measure floor "'$work/floor' '$card'"
done
find_bytes=$(card_bytes "$brelk" find "$card" ELITE)
floor_bytes=$(card_bytes "$work/floor" "$card")

echo "1,000 discs, $found files found; medians of $runs alternating runs of $repeats calls each"
echo "time ($repeats calls):  find $(col find 1) s (CPU $(col find 2) s), floor $(col floor 1) s (CPU $(col floor 2) s):" \
    "ratio $(paired find floor 1) (CPU $(paired find floor 2))"
echo "bytes: find $find_bytes, floor $floor_bytes: ratio" \
    "$(awk "BEGIN { printf \"%.2f\", $find_bytes / $floor_bytes }")"
