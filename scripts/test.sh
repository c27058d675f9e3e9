#!/usr/bin/env bash
# Sets up, builds the test build (AddressSanitizer, UndefinedBehaviorSanitizer, warnings as
# errors) and runs every test through CTest.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh

build_dir="${KESTRUM_TEST_BUILD_DIR:-build-test}"
cmake -S . -B "$build_dir" -G Ninja \
    -DCMAKE_BUILD_TYPE=Debug \
    -DKESTRUM_SANITIZE=ON \
    -DKESTRUM_WERROR=ON \
    -DKESTRUM_GLIBCXX_ASSERTIONS=ON
cmake --build "$build_dir" -j2
ctest --test-dir "$build_dir" --output-on-failure -j2
