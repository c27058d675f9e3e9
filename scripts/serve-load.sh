#!/usr/bin/env bash
# kestrum-cli serve under 200 event streams. The local feed server draws 迪拜分分彩 (dbffc) once
# a minute; serve (the release build) watches that one lottery and serves it on a free loopback
# port; 200 clients (scripts/serve-load-clients.py: one Python process, standard library only)
# hold /api/events open for the given minutes (default 10) and reconnect as a browser would.
# It prints whether every client got an event for every new draw, the delivery delay from
# serve's "new draw" log line (logged once data1.txt and the export files are written) to each
# client (median, 95th percentile), serve's VmRSS and thread count at the start, each minute and
# at the end, and how long the API took to answer meanwhile.
# Usage: bash scripts/serve-load.sh [minutes] (KESTRUM_LOAD_CLIENTS=N for another count)
set -euo pipefail
cd "$(dirname "$0")/.."
minutes=${1:-10}
clients=${KESTRUM_LOAD_CLIENTS:-200}
[[ $minutes =~ ^[1-9][0-9]*$ && $clients =~ ^[1-9][0-9]*$ ]] ||
    { echo "usage: bash scripts/serve-load.sh [minutes]" >&2; exit 2; }

bash scripts/setup.sh
cmake --preset release > /dev/null
cmake --build --preset release --target kestrum-cli feedsim
bin=build-release/bin
source scripts/feedsim-start.sh

work=$(mktemp -d)
serve_pid=""
cleanup() {
    if [ -n "$serve_pid" ]; then
        kill "$serve_pid" 2> /dev/null || true
        wait "$serve_pid" 2> /dev/null || true
    fi
    feedsim_stop
    rm -rf "$work"
}
trap cleanup EXIT

feedsim_start "$bin/kestrum-feedsim" "$work/feedsim.log" --web-port 0 --feed1-port 0 \
    --feed2-port 0 --announce
: > "$work/empty.toml"
# The log's times are local; UTC makes them easy to read back.
TZ=UTC "$bin/kestrum-cli" --config "$work/empty.toml" "${feedsim_addresses[@]}" serve \
    --lottery dbffc --listen 127.0.0.1:0 --data-dir "$work/data" 2> "$work/serve.log" &
serve_pid=$!
url=""
for _ in $(seq 600); do
    url=$(sed -n 's/.*serve: the web interface is at \(http:\/\/[^ ]*\)$/\1/p' "$work/serve.log")
    [ -n "$url" ] && curl -sf "${url}api/lotteries" | grep -q '"loaded":true' && break
    kill -0 "$serve_pid" 2> /dev/null || { echo "serve ended:"; cat "$work/serve.log"; exit 1; }
    sleep 0.1
done
curl -sf "${url}api/lotteries" | grep -q '"loaded":true' ||
    { echo "serve did not load dbffc within 60 s:"; cat "$work/serve.log"; exit 1; }
port=${url##*:}
port=${port%/}
# The lottery's files: in the data folder itself when serve watches one lottery.
folder=$(curl -sf "${url}api/lotteries" |
    python3 -c 'import json, sys; print(json.load(sys.stdin)["lotteries"][0]["folder"])')
echo "serve (pid $serve_pid) at $url, its files in $folder; feed server (pid $feedsim_pid)"

python3 scripts/serve-load-clients.py run --port "$port" --clients "$clients" \
    --seconds $((minutes * 60)) --data1 "$folder/data1.txt" --serve-pid "$serve_pid" \
    --out "$work/results.json"
kill -0 "$serve_pid" 2> /dev/null || { echo "serve ended during the load:"; cat "$work/serve.log"; exit 1; }
kill -TERM "$serve_pid"
status=0
wait "$serve_pid" || status=$?
serve_pid=""
feedsim_stop
echo "serve ended with status $status"

python3 scripts/serve-load-clients.py report --results "$work/results.json" \
    --feedsim-log "$work/feedsim.log" --serve-log "$work/serve.log"
echo "serve's log, without its new draws:"
grep -v ': new draw ' "$work/serve.log" | sed 's/^/  /'
