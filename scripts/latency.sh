#!/usr/bin/env bash
# How soon a new draw reaches the files, in each refresh mode of kestrum-cli watch. The local
# feed server draws 迪拜分分彩 (dbffc) every minute and publishes each draw 3 s after its time
# plus up to 3 s of jitter; two watches follow that one lottery side by side for the given
# minutes (default 15): one when draws are due (the default), one at the fixed period
# (--fixed-period, 10 s). For each mode it prints the draws published, seen and missed, the
# median and 95th percentile of the latency from the moment the server published a draw to the
# moment the watch logged it (after its plans and export files were written), and the requests
# it sent per draw published.
# Usage: bash scripts/latency.sh [minutes]
set -euo pipefail
cd "$(dirname "$0")/.."
minutes=${1:-15}
[[ $minutes =~ ^[1-9][0-9]*$ ]] || { echo "usage: bash scripts/latency.sh [minutes]" >&2; exit 2; }

bash scripts/setup.sh
cmake --preset release > /dev/null
cmake --build --preset release --target kestrum-cli feedsim
bin=build-release/bin
source scripts/feedsim-start.sh

work=$(mktemp -d)
pids=()
cleanup() {
    local pid
    for pid in "${pids[@]}"; do
        kill "$pid" 2> /dev/null || true
        wait "$pid" 2> /dev/null || true
    done
    feedsim_stop
    rm -rf "$work"
}
trap cleanup EXIT

# The server's announcements go to its log, one line per draw of every feed.
feedsim_start "$bin/kestrum-feedsim" "$work/feedsim.log" --web-port 0 --feed1-port 0 \
    --feed2-port 0 --publish-lag 3 --publish-jitter 3 --announce
: > "$work/empty.toml"
for mode in due fixed; do
    options=()
    [ "$mode" = fixed ] && options=(--fixed-period)
    # The log's times are local; UTC makes them easy to read back.
    TZ=UTC "$bin/kestrum-cli" --config "$work/empty.toml" "${feedsim_addresses[@]}" watch \
        --lottery dbffc "${options[@]}" --data-dir "$work/$mode" 2> "$work/$mode.log" &
    pids+=($!)
done
for _ in $(seq 600); do
    [ "$(cat "$work"/due.log "$work"/fixed.log | grep -c ': start-up done: ')" -eq 2 ] && break
    sleep 0.1
done
for mode in due fixed; do
    grep -q ': start-up done: ' "$work/$mode.log" || { cat "$work/$mode.log"; exit 1; }
done
started=$(date +%s.%N)
echo "measuring for $minutes minutes from $(date -u +%H:%M:%S) UTC ..."
sleep $((minutes * 60))
ended=$(date +%s.%N)
for pid in "${pids[@]}"; do
    kill -TERM "$pid"
    wait "$pid" || true
done
pids=()
feedsim_stop

python3 - "$work" "$started" "$ended" << 'PYTHON'
import datetime, re, statistics, sys
work, started, ended = sys.argv[1], float(sys.argv[2]), float(sys.argv[3])
# Draws published within the measured stretch; the last 20 s are left for the watches to see
# them, so a draw published just before the stop does not count as missed.
published = {}
for line in open(f"{work}/feedsim.log"):
    m = re.match(r"feedsim: published /dbffc\.txt (\d+) at ([\d.]+)$", line.strip())
    if m and started <= float(m.group(2)) <= ended - 20:
        published[m.group(1)] = float(m.group(2))
print(f"draws published: {len(published)} (lag 3 s, jitter 0 to 3 s)")
rows = []
seen_by_mode = {}
print(f"{'mode':<22}{'seen':>6}{'missed':>8}{'median s':>10}{'p95 s':>8}{'requests/draw':>15}")
for mode, name in (("due", "when due (default)"), ("fixed", "fixed period 10 s")):
    seen = {}
    requests = None
    first = last = None
    for line in open(f"{work}/{mode}.log"):
        m = re.match(r"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3}) dbffc \S+: (.*)$", line.strip())
        if not m:
            continue
        moment = datetime.datetime.strptime(m.group(1), "%Y-%m-%d %H:%M:%S.%f").replace(
            tzinfo=datetime.timezone.utc).timestamp()
        event = m.group(2)
        first = moment if first is None else first
        last = moment
        d = re.match(r"new draw (\d+) ", event)
        if d:
            seen[d.group(1)] = moment
        r = re.match(r"(\d+) requests, (\d+) answered not modified$", event)
        if r:
            requests = int(r.group(1))
    latencies = sorted(seen[code] - at for code, at in published.items() if code in seen)
    missed = len(published) - len(latencies)
    if latencies:
        median = statistics.median(latencies)
        p95 = latencies[max(0, -(-len(latencies) * 95 // 100) - 1)]
    else:
        median = p95 = float("nan")
    # Every request of the watch's life (its start-up's too), over the draws of its life.
    per_draw = requests / ((last - first) / 60) if requests is not None else float("nan")
    print(f"{name:<22}{len(latencies):>6}{missed:>8}{median:>10.3f}{p95:>8.3f}{per_draw:>15.2f}")
    rows.append((name, sorted((at, code) for code, at in published.items())))
    seen_by_mode[name] = seen
# Each draw's latency in each mode, oldest first: the 1st and 2nd after the start show how soon
# the planner catches the rhythm, the rest where the slow ones fall.
print("latency of each draw, s:" + "".join(f"{name:>22}" for name, _ in rows))
for number, (at, code) in enumerate(rows[0][1], start=1):
    cells = "".join(f"{(seen_by_mode[name][code] - at) if code in seen_by_mode[name] else float('nan'):>22.3f}"
                    for name, _ in rows)
    print(f"{number:>3} {code:<20}{cells}")
PYTHON
grep '^feedsim: requests /dbffc.txt' "$work/feedsim.log" || true
