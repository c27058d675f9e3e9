#!/usr/bin/env bash
# Builds the commands and window tests with ThreadSanitizer (the tsan preset, in build-tsan)
# and runs them.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake --preset tsan
cmake --build --preset tsan
ctest --preset tsan
