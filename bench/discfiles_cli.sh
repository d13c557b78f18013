#!/usr/bin/env bash
# The files inside 1,000 DFS discs on one card (20 files of 2,000 bytes each, stored
# squashed), extracted with brelk against `cp -r` writing the same bytes, both measured in
# this run, alternating, medians of RUNS (default 5):
#  - one run: `brelk extract CARD '*' -o DIR` (each disc into DIR/NAME/) against one
#    `cp -r` of the extracted tree, and against `cp -r` followed by `sync -f` (the same
#    bytes made durable, as brelk makes them);
#  - one run per disc: 1,000 `brelk extract CARD NAME` against 1,000 `cp -r` of a disc's
#    folder, where starting a process is most of the cost.
# Each timed step starts on a fresh folder after a sync. brelk makes its files durable (two
# syncfs a run); cp does not. Wall time and CPU (user + system) are both given, since on a
# shared machine the wall time varies; the ratio is the median of the ratios of each brelk
# run to the cp run right after it, so a change of load between runs counts little. Then `brelk files` of every disc, one run per disc,
# beside `brelk ls` run as often (the start and the catalogue alone); the listing of all the
# discs in one process is bench_discfiles.
# Usage: bench/discfiles_cli.sh BRELK [WORKDIR]
set -euo pipefail
brelk=$(realpath "${1:?path to the brelk binary}")
work=$(mktemp -d "${2:-${TMPDIR:-/tmp}}/discfiles.XXXXXX")
trap 'rm -rf "$work"' EXIT
runs=${RUNS:-5}
discs=1000

python3 "$(dirname "$0")/make_discs.py" "$work" "$discs"

"$brelk" create "$work/card.img" 128M >/dev/null
"$brelk" format "$work/card.img" >/dev/null
"$brelk" add "$work/card.img" "$work/discs" >/dev/null
names=$(for i in $(seq 0 $((discs - 1))); do printf 'D%07d ' "$i"; done)
mkdir "$work/times"

median() { sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
ratio() { awk "BEGIN { if ($2 > 0) printf \"%.2f\", $1 / $2; else printf \"-\" }"; }
# Runs the command given as one string after Prepare (untimed) and a sync; appends
# "wall cpu" in seconds to the file Label.
measure() { # label, prepare, command
    bash -c "$2"
    sync
    /usr/bin/time -f "%e %U %S" -o "$work/time" bash -c "$3" >/dev/null
    awk '{ printf "%s %.2f\n", $1, $2 + $3 }' "$work/time" >>"$work/times/$1"
}
col() { cut -d' ' -f"$2" "$work/times/$1" | median; }
# The median of the ratios of column C of measurement file A to that of R, line by line.
paired() { paste -d' ' "$work/times/$1" "$work/times/$2" |
    awk -v c="$3" '{ if ($(c + 2) > 0) printf "%.2f\n", $c / $(c + 2) }' | median; }
# "A s (CPU a s) against R s (CPU r s): ratio X (CPU Y)"
against() {
    echo "$(col "$1" 1) s (CPU $(col "$1" 2) s) against $(col "$2" 1) s (CPU $(col "$2" 2) s):" \
        "ratio $(paired "$1" "$2" 1) (CPU $(paired "$1" "$2" 2))"
}

out="$work/out" copy="$work/copy"
fresh_out="rm -rf '$out'; mkdir '$out'"
fresh_copy="rm -rf '$copy'"
extract_all="'$brelk' extract '$work/card.img' '*' -o '$out'"
cp_tree="cp -r '$out' '$copy'"
cp_sync="cp -r '$out' '$copy' && sync -f '$copy'"
extract_each="for n in $names; do '$brelk' extract '$work/card.img' \$n -o '$out/'\$n; done"
cp_each="mkdir '$copy'; for n in $names; do cp -r '$out/'\$n '$copy/'\$n; done"

for _ in $(seq "$runs"); do
    measure one "$fresh_out" "$extract_all"
    measure cp_one "$fresh_copy" "$cp_tree"
    measure one_again "$fresh_out" "$extract_all"
    measure cp_sync "$fresh_copy" "$cp_sync"
done
files=$(find "$out" -type f | wc -l) bytes=$(find "$out" -type f -printf '%s\n' | awk '{ s += $1 } END { print s }')
[ -z "$(find "$out" -name '.*.part')" ] || { echo "temporaries left behind" >&2; exit 1; }
for _ in $(seq "$runs"); do
    measure each "$fresh_out" "$extract_each"
    measure cp_each "$fresh_copy" "$cp_each"
done
[ "$(find "$out" -type f | wc -l)" = "$files" ] || { echo "not every file extracted" >&2; exit 1; }
for _ in $(seq "$runs"); do
    measure files true "for n in $names; do '$brelk' files '$work/card.img' \$n --json; done"
    measure ls true "for n in $names; do '$brelk' ls '$work/card.img'; done"
done

echo "1,000 discs, $files files, $bytes bytes; medians of $runs alternating runs; folder $work"
echo "extract '*', one run:         $(against one cp_one) (cp)"
echo "                              $(against one_again cp_sync) (cp, sync -f)"
echo "extract, one run per disc:    $(against each cp_each) (cp per disc)"
echo "files --json, 1,000 runs:     $(col files 1) s (CPU $(col files 2) s); ls 1,000 runs: $(col ls 1) s"
