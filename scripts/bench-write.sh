#!/usr/bin/env bash
# Compares writing 200 MB of objects through the card cache with dd writing the same bytes
# to the same file system. Usage: scripts/bench-write.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
echo "dd, 200 MiB in 256 KiB blocks (best of 3):"
best=""
for _ in 1 2 3; do
    rm -f "$dir/dd.img"
    start=$(date +%s.%N)
    dd if=/dev/zero of="$dir/dd.img" bs=256K count=800 status=none
    end=$(date +%s.%N)
    t=$(awk "BEGIN { print $end - $start }")
    if [ -z "$best" ] || awk "BEGIN { exit !($t < $best) }"; then best=$t; fi
done
echo "  ${best} s"
echo "brelk card store, 200 objects of 1 MiB through the cache, then flushed:"
TMPDIR="$dir" "$build/bench/bench_card" --benchmark_filter=Write200MB
