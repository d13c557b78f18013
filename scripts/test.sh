#!/usr/bin/env bash
# Builds everything and runs every test. In CI (CI=true) it also runs the core tests under
# the address and undefined-behaviour sanitizers and a short smoke run of each fuzzer.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
export QT_QPA_PLATFORM=offscreen
jobs=$(nproc)

if [ "${CI:-}" = "true" ] || [ -n "${BRELK_FULL_CHECK:-}" ]; then
    cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DBRELK_SANITIZE=ON \
        -DBRELK_BUILD_GUI=OFF -DBRELK_BUILD_BENCH=OFF
    cmake --build build-asan
    ctest --test-dir build-asan --output-on-failure -j "$jobs"
    bash scripts/fuzz.sh "${BRELK_FUZZ_SECONDS:-30}"
fi

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build
ctest --test-dir build --output-on-failure -j "$jobs"
