#!/usr/bin/env bash
# Builds the optimised benchmark build (the bench preset, in build-bench) and runs the
# benchmarks. Extra arguments go to the benchmark program (for example
# --benchmark_filter=Search).
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
cmake --preset bench
cmake --build --preset bench
./build-bench/bin/kestrum_bench "$@"
