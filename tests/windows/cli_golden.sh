#!/usr/bin/env bash
# kestrum-cli.exe under Wine against the files that the Linux program is held to: each play
# type's plan report equals the window's report of the start-up case (LF line ends, as
# kestrum-cli prints on both systems), and a feed named by a path in Chinese is read.
# Usage: cli_golden.sh PROGRAMS_DIR SOURCE_DIR   (PROGRAMS_DIR: kestrum-cli and kestrum-feedsim
# that run the .exe files under Wine)
set -uo pipefail
programs=$1
source_dir=$2
cli=$programs/kestrum-cli
feed=$source_dir/tests/e2e/cases/startup/feed/feed1/ssckj/cq.txt
golden=$source_dir/tests/cli/cases/startup
site=https://kestrum.example/

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAILED: $*"; failures=$((failures + 1)); }

for play in h1 h2 h3 h3b h5b shi bai qian wan q3; do
    "$cli" plan --play "$play" --feed "$feed" --site-url "$site" > "$work/$play.out" 2> "$work/err" ||
        fail "plan --play $play ended with status $?: $(cat "$work/err")"
    tr -d '\r' < "$golden/$play.txt" > "$work/$play.golden"
    cmp -s "$work/$play.out" "$work/$play.golden" ||
        { fail "plan --play $play differs from the window's report"; diff "$work/$play.golden" "$work/$play.out" | head -5; }
done

# A feed in a folder named in Chinese, given by that name: the same report.
mkdir -p "$work/开奖号码"
cp "$feed" "$work/开奖号码/重庆.txt"
"$cli" plan --play h1 --feed "$work/开奖号码/重庆.txt" --site-url "$site" > "$work/chinese.out" 2> "$work/err" ||
    fail "a feed named in Chinese was not read: $(cat "$work/err")"
cmp -s "$work/chinese.out" "$work/h1.golden" || fail "a feed named in Chinese gave another report"

[ "$failures" -eq 0 ] && echo "ok: ten reports and a Chinese path"
exit "$failures"
