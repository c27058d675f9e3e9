#!/usr/bin/env bash
# kestrum-cli export against the local feed server serving the end-to-end case's files:
# "data1.txt" and the nine export files must equal, byte for byte, the files that the window
# program writes for them (the case's expected/ folder).
# Usage: export_matches.sh BIN_DIR CASE_DIR
set -euo pipefail
bin_dir=$1
case_dir=$2
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/feedsim-start.sh"

work=$(mktemp -d)
feedsim_pid=""
cleanup() {
    feedsim_stop
    rm -rf "$work"
}
trap cleanup EXIT

feedsim_start "$bin_dir/kestrum-feedsim" "$work/feedsim.log" --files "$case_dir/feed" \
    --web-port 0 --feed1-port 0 --feed2-port 0 || exit 1
: > "$work/none.toml"

status=0
"$bin_dir/kestrum-cli" --config "$work/none.toml" "${feedsim_addresses[@]}" \
    export --data-dir "$work/out" > "$work/stdout" 2> "$work/stderr" || status=$?
if [ "$status" -ne 0 ] || [ -s "$work/stdout" ] || [ -s "$work/stderr" ]; then
    echo "kestrum-cli export ended with status $status"
    cat "$work/stdout" "$work/stderr"
    exit 1
fi

failures=0
expected=$(cd "$case_dir/expected" && ls | LC_ALL=C sort)
written=$(cd "$work/out" && ls | LC_ALL=C sort)
if [ "$expected" != "$written" ]; then
    echo "written: $written"
    echo "expected: $expected"
    failures=1
fi
for f in $expected; do
    if ! cmp "$work/out/$f" "$case_dir/expected/$f"; then
        failures=$((failures + 1))
    fi
done
[ "$failures" -eq 0 ] && echo "ok: the export files equal the window's"
exit "$failures"
