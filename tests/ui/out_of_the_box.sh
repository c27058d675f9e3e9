#!/usr/bin/env bash
# The program as installed and started with nothing configured: it starts the local feed server
# next to it, says on standard error that the draws are simulated, writes its files from that
# server's feeds, and on SIGTERM ends with status 0 and the server stopped.
# Usage: out_of_the_box.sh KESTRUM
set -uo pipefail
kestrum=$1
work=$(mktemp -d)
kestrum_pid=""
cleanup() {
    [ -n "$kestrum_pid" ] && kill -9 "$kestrum_pid" 2> /dev/null
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAILED: $*"; echo "--- stderr:"; cat "$work/stderr.txt"; exit 1; }

mkdir "$work/home"
# No settings file: the default one lies in the empty home folder.
env -u XDG_CONFIG_HOME HOME="$work/home" XDG_STATE_HOME="$work/state" QT_QPA_PLATFORM=offscreen \
    "$kestrum" --no-web-panels --no-update-check --data-dir '~/data' 2> "$work/stderr.txt" &
kestrum_pid=$!

line=""
for _ in $(seq 300); do
    line=$(grep -m 1 'the draws are simulated' "$work/stderr.txt")
    [ -n "$line" ] && break
    kill -0 "$kestrum_pid" 2> /dev/null || fail "the program ended at start"
    sleep 0.1
done
[ -n "$line" ] || fail "no word that the draws are simulated"
server_pid=$(sed -n 's/.*(process \([0-9]*\);.*/\1/p' <<< "$line")
feed_host=$(sed -n 's/.*feed hosts \(http:[^ ]*\) and.*/\1/p' <<< "$line")
[ -n "$server_pid" ] && [ -n "$feed_host" ] || fail "no process or address in: $line"
grep -q kestrum-feedsim "/proc/$server_pid/cmdline" || fail "process $server_pid is no feed server"

newest=$(curl -s --max-time 5 "$feed_host/ssckj/cq.txt" | head -n 1)
[ -n "$newest" ] || fail "the feed server does not answer at $feed_host"
for _ in $(seq 300); do
    [ -s "$work/home/data/h5bzd.txt" ] && break
    sleep 0.1
done
[ -s "$work/home/data/h5bzd.txt" ] || fail "no export files in ~/data"
grep -qF "$newest" "$work/home/data/data1.txt" || fail "data1.txt lacks the feed's newest draw $newest"

kill -TERM "$kestrum_pid"
wait "$kestrum_pid"
status=$?
kestrum_pid=""
[ "$status" -eq 0 ] || fail "status $status after SIGTERM"
kill -0 "$server_pid" 2> /dev/null && fail "the feed server $server_pid still runs"
echo "ok: $line"
