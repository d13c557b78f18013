#!/usr/bin/env bash
# Usage: scripts/fuzz.sh [SECONDS] [HARNESS...]
# Builds the libFuzzer harnesses (all fuzz/fuzz_*.cpp, or the ones named) with clang in
# build-fuzz and runs each for SECONDS (default 60). Each harness keeps its growing corpus
# in build-fuzz/corpus/<name> (seeded with the real images of the corpus folder when it
# exists) and its crashing inputs in build-fuzz/crashes/<name>. FUZZ_MAX_LEN bounds the
# input length (default 65536).
set -euo pipefail
cd "$(dirname "$0")/.."
SECONDS_EACH="${1:-60}"
shift || true
BUILD=build-fuzz
CORPUS_SRC="${BRELK_CORPUS_DIR:-../shared/corpus}"

# The whole library is built with the sanitizers so that they see inside the readers.
CC=clang CXX=clang++ cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DBRELK_BUILD_FUZZ=ON -DBRELK_BUILD_GUI=OFF -DBRELK_BUILD_TESTS=OFF -DBRELK_BUILD_BENCH=OFF \
    -DCMAKE_CXX_FLAGS="-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer" >/dev/null
harnesses=("$@")
if [ "${#harnesses[@]}" -eq 0 ]; then
    for source in fuzz/fuzz_*.cpp; do
        harnesses+=("$(basename "$source" .cpp)")
    done
fi
ninja -C "$BUILD" -j 2 "${harnesses[@]}"

status=0
for name in "${harnesses[@]}"; do
    corpus="$BUILD/corpus/$name"
    crashes="$BUILD/crashes/$name"
    mkdir -p "$corpus" "$crashes"
    seeds=()
    case "$name" in
        fuzz_dfs | fuzz_dfsfiles) [ -d "$CORPUS_SRC/dfs" ] && seeds+=("$CORPUS_SRC/dfs") ;;
        fuzz_adfs) [ -d "$CORPUS_SRC/adfs" ] && seeds+=("$CORPUS_SRC/adfs") ;;
        fuzz_basic) [ -d "$CORPUS_SRC/uef" ] && seeds+=("$CORPUS_SRC/uef") ;;
        fuzz_uef) [ -d "$CORPUS_SRC/uef" ] && seeds+=("$CORPUS_SRC/uef") ;;
    esac
    echo "== $name for ${SECONDS_EACH}s"
    if ! "$BUILD/fuzz/$name" -max_total_time="$SECONDS_EACH" -max_len="${FUZZ_MAX_LEN:-65536}" \
        -rss_limit_mb=4096 -print_final_stats=1 -artifact_prefix="$crashes/" "$corpus" "${seeds[@]}"; then
        echo "== $name found a crash: see $crashes"
        status=1
    fi
done
exit $status
