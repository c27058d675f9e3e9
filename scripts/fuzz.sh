#!/usr/bin/env bash
# Runs each fuzz target for a bounded time (default 120 s each; first argument to change it)
# with clang's libFuzzer, AddressSanitizer and UndefinedBehaviorSanitizer (the fuzz preset, in
# build-fuzz). Inputs that crash are copied into tests/fuzz/regressions/<target>/, which the
# normal test run replays.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-120}

bash scripts/setup.sh

cmake --preset fuzz
cmake --build --preset fuzz
# The differential target compares two whole searches per input: it runs optimised, without
# the sanitizers (the feed targets run the same engine under them) or the comparison hooks.
cmake --preset fuzz-fast
cmake --build --preset fuzz-fast

status=0
for target in line_reader feed differential settings cli_feed; do
    corpus=build-fuzz/corpus/$target
    crashes=build-fuzz/crashes/$target
    mkdir -p "$corpus" "$crashes"
    cp -n tests/fuzz/regressions/$target/* "$corpus"/ 2>/dev/null || true
    # The differential target's cost grows with its history: inputs up to 2 kB still reach
    # 300 short lines.
    options=()
    build=build-fuzz
    if [ "$target" = differential ]; then
        options=(-max_len=2048)
        build=build-fuzz-fast
    fi
    echo "== fuzz_$target for $seconds s"
    if ! ./$build/bin/fuzz_$target "$corpus" -max_total_time="$seconds" "${options[@]}" \
            -artifact_prefix="$crashes/" -print_final_stats=1 2>&1 | tail -n 25; then
        status=1
    fi
    for crash in "$crashes"/*; do
        [ -e "$crash" ] || continue
        cp "$crash" tests/fuzz/regressions/$target/
        echo "kept $(basename "$crash") in tests/fuzz/regressions/$target/"
        status=1
    done
done
exit $status
