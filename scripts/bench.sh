#!/usr/bin/env bash
# Builds an optimised build and runs the benchmarks. Extra arguments go to the benchmark
# program (for example --benchmark_filter=Search).
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DKESTRUM_BUILD_TESTS=OFF
cmake --build build-release -j2 --target kestrum_bench
./build-release/bench/kestrum_bench "$@"
