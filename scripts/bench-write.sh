#!/usr/bin/env bash
# Writing and reading at the speed of the card, each figure beside dd doing the same work in
# the same run (medians of 5). The card's writes end in fdatasync (a commit is durable) and
# brelk get syncs its output file before renaming it into place, so dd is run both plainly and
# with conv=fdatasync / conv=fsync; the synced dd does the same work as brelk.
#   1. 200 MiB of objects through the card cache (256 KiB and 8 MiB), dd writing 200 MiB, and
#      plain pwrites of the same objects at their places on the card (packed downwards);
#   2. brelk put of a 256 MiB and a 1 GiB file onto a fresh image, and dd writing the same
#      bytes at the same place of an image in the same state; brelk's peak memory;
#   3. brelk get of the same objects, and dd reading them out of the image;
#   4. the add import of a 1 GiB file: its peak memory;
#   5. squashing 500 discs on a 500-entry and on a 65,500-entry card.
# Usage: scripts/bench-write.sh [BUILD_DIR] [SIZES_IN_MIB...]   (default sizes: 256 1024)
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(realpath "${1:-build}")
shift || true
sizes=("$@")
[ ${#sizes[@]} -gt 0 ] || sizes=(256 1024)
brelk="$build/cli/brelk"
[ -x "$brelk" ] || brelk="$build/brelk"
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
runs=5

# Median of the numbers on standard input.
median() { sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
# Runs the command; prints its wall-clock seconds, its CPU seconds (user + system) and its
# peak memory in KiB.
measure() {
    /usr/bin/time -f "%e %U %S %M" -o "$dir/time" "$@" >/dev/null
    awk '{ printf "%s %.2f %s\n", $1, $2 + $3, $4 }' "$dir/time"
}
seconds() { measure "$@" | cut -d' ' -f1; }
ratio() { awk "BEGIN { printf \"%.2f\", $1 / $2 }"; }

echo "== 200 MiB of objects through the cache (bench_card) and dd writing 200 MiB"
# Median seconds of dd writing 200 MiB to a fresh file, with the extra dd arguments given.
dd_200mib() {
    for _ in $(seq $runs); do
        rm -f "$dir/dd.img"
        seconds dd if=/dev/zero of="$dir/dd.img" bs=256K count=800 status=none "$@"
    done | median
    rm -f "$dir/dd.img"
}
dd_write=$(dd_200mib)
dd_write_sync=$(dd_200mib conv=fdatasync)
# The same objects written with plain pwrite at their places on the card (downwards), synced.
floor=$(TMPDIR="$dir" "$build/bench/bench_card" --benchmark_filter='PwriteAtObjectPlaces' \
    --benchmark_repetitions=$runs --benchmark_report_aggregates_only=true \
    --benchmark_format=csv 2>/dev/null | grep '_median' | cut -d, -f3 | awk '{ print $1 / 1000 }')
echo "  pwrite at the objects' places, synced: ${floor} s; dd synced ${dd_write_sync} s," \
    "ratio $(ratio "$floor" "$dd_write_sync")"
TMPDIR="$dir" "$build/bench/bench_card" --benchmark_filter='Write200MB' \
    --benchmark_repetitions=$runs --benchmark_report_aggregates_only=true \
    --benchmark_format=csv 2>/dev/null | grep '_median' |
    while IFS=, read -r name _ real _; do
        cache=$(echo "$name" | sed -E 's|.*/([0-9]+)/.*|\1|')
        s=$(awk "BEGIN { print $real / 1000 }")
        echo "  cache $cache: ${s} s; dd synced ${dd_write_sync} s, ratio" \
            "$(ratio "$s" "$dd_write_sync"); dd unsynced ${dd_write} s, ratio" \
            "$(ratio "$s" "$dd_write"); pwrite at the places, ratio $(ratio "$s" "$floor")"
    done

# A fresh formatted image large enough for Size MiB: the object goes directly below the
# safety zone of 8192 bytes.
fresh_image() {
    rm -f "$1"
    "$brelk" create "$1" "$(($2 + 16))M" >/dev/null
    "$brelk" format "$1" >/dev/null
}

for size in "${sizes[@]}"; do
    echo "== brelk put and get of $size MiB"
    dd if=/dev/zero of="$dir/file.bin" bs=1M count="$size" status=none conv=fdatasync
    bytes=$((size << 20))
    image_bytes=$(((size + 16) << 20))
    data_at=$((image_bytes - 8192 - bytes))
    for f in put get ddput ddget ddputsync ddgetsync; do : >"$dir/$f"; done
    # dd writing the file at the object's place of a fresh image, with extra conv flags.
    dd_put() {
        fresh_image "$dir/card.img" "$size"
        measure dd if="$dir/file.bin" of="$dir/card.img" bs=1M oflag=seek_bytes \
            seek="$data_at" conv="notrunc$1" status=none
    }
    # dd reading the object's bytes out of the image into a new file, with extra conv flags.
    dd_get() {
        rm -f "$dir/out.bin"
        measure dd if="$dir/card.img" of="$dir/out.bin" bs=1M iflag=skip_bytes,count_bytes \
            skip="$data_at" count="$bytes" status=none ${1:+conv=$1}
    }
    for _ in $(seq $runs); do
        fresh_image "$dir/card.img" "$size"
        measure "$brelk" put "$dir/card.img" "$dir/file.bin" --name BIG >>"$dir/put"
        rm -f "$dir/out.bin"
        measure "$brelk" get "$dir/card.img" BIG -o "$dir/out.bin" >>"$dir/get"
        cmp -s -n "$bytes" "$dir/out.bin" "$dir/file.bin" || { echo "get differs"; exit 1; }
        dd_get "" >>"$dir/ddget"
        dd_get fsync >>"$dir/ddgetsync"
        dd_put "" >>"$dir/ddput"
        dd_put ",fdatasync" >>"$dir/ddputsync"
    done
    # Column C of a measurement file, median.
    col() { cut -d' ' -f"$2" "$dir/$1" | median; }
    for what in put get; do
        wall=$(col "$what" 1) cpu=$(col "$what" 2)
        for dd in "dd${what}sync synced" "dd$what unsynced"; do
            set -- $dd
            echo "  $what ${wall} s (CPU ${cpu} s), dd $2 $(col "$1" 1) s (CPU $(col "$1" 2) s):" \
                "ratio $(ratio "$wall" "$(col "$1" 1)") (CPU $(ratio "$cpu" "$(col "$1" 2)"))"
        done
    done
    echo "  peak memory of brelk put $(($(cut -d' ' -f3 "$dir/put" | sort -n | tail -1) / 1024)) MiB," \
        "get $(($(cut -d' ' -f3 "$dir/get" | sort -n | tail -1) / 1024)) MiB"
    rm -f "$dir/card.img" "$dir/file.bin" "$dir/out.bin"
done

echo "== the add import of a 1 GiB file (bench_import, alone in its process)"
TMPDIR="$dir" "$build/bench/bench_import" --benchmark_filter='ImportLargeFile' \
    --benchmark_format=csv 2>/dev/null | grep 'ImportLargeFile' | awk -F, '{ print "  " $3 / 1000 " s, peak memory " $NF " MiB" }'

echo "== squashing 500 discs (bench_card)"
TMPDIR="$dir" "$build/bench/bench_card" --benchmark_filter='Squash500Discs' \
    --benchmark_repetitions=$runs --benchmark_report_aggregates_only=true \
    --benchmark_format=csv 2>/dev/null | grep '_median' |
    while IFS=, read -r name _ real _; do
        entries=$(echo "$name" | sed -E 's|[^/]*/([0-9]+).*|\1|')
        echo "  $entries entries: $(awk "BEGIN { print $real / 1000 }") s"
    done
