#!/usr/bin/env bash
# Adds a folder of DFS disc images to a fresh card image with `brelk add` (analysis, import
# with bulk transfer and the final write-back) and copies the same bytes with dd, and prints
# both times and the peak memory of brelk. Usage: bench/import_vs_dd.sh BRELK FOLDER
# (FOLDER of *.ssd files, such as the one bench_import leaves in the temporary folder).
set -euo pipefail
brelk=${1:?path to the brelk binary}
folder=${2:?folder of .ssd files}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
bytes=$(cat "$folder"/*.ssd | wc -c)
size=$(( (bytes * 11 / 10 / 1048576 + 16) ))M
"$brelk" create "$work/card.img" "$size" >/dev/null
"$brelk" format "$work/card.img" >/dev/null
/usr/bin/time -f "brelk add: %e s wall, %U s user, %S s system, %M KB peak" \
    "$brelk" add "$work/card.img" "$folder" >/dev/null
sync
truncate -s "$size" "$work/dd.img"
/usr/bin/time -f "cat | dd:  %e s wall, %U s user, %S s system" \
    sh -c "cat '$folder'/*.ssd | dd of='$work/dd.img' bs=1M conv=notrunc iflag=fullblock status=none"
sync
