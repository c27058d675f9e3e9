#!/usr/bin/env bash
# The program under Xvfb against the simulated feeds on a 1440-draw lottery for a while
# (default 15 minutes; first argument in seconds). Checks that every draw of that time reached
# "data1.txt", and reports resident memory at start and end and the longest event-loop stall.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
seconds=${1:-900}
source scripts/live-common.sh
live_begin

cat > "$work/inside.sh" <<INSIDE
set -euo pipefail
root=$root; work=$work
source "$root/scripts/live-common.sh"
live_start_kestrum
start=\$(date +%s)
echo "rss_start \$(live_rss_kb)" > "$work/figures"
: > "$work/seen"
while [ \$((\$(date +%s) - start)) -lt $seconds ]; do
    live_alive || { echo "the program ended"; exit 1; }
    cat "$work/app/data1.txt" >> "$work/seen"; echo >> "$work/seen"
    sleep 5
done
echo "rss_end \$(live_rss_kb)" >> "$work/figures"
echo "window \$start \$(date +%s)" >> "$work/figures"
live_close_kestrum
INSIDE
xvfb-run -a -s "-screen 0 1280x800x24" bash "$work/inside.sh"

# Every draw from one minute after the start to one minute before the end must have been the
# newest line of "data1.txt" at some sample.
read -r _ from to < <(grep '^window' "$work/figures")
feed=$(curl -s http://127.0.0.1:47802/dbffc.txt)
expected=0; missing=0
while read -r line; do
    [ -z "$line" ] && continue
    expected=$((expected + 1))
    grep -qxF "$line" "$work/seen" || { missing=$((missing + 1)); echo "missing: $line"; }
done < <(echo "$feed" | head -n $(((to - from) / 60 - 1)) | tail -n +2)
echo "draws expected: $expected, missing: $missing"
grep rss "$work/figures" | sed 's/$/ kB/'
echo "longest event loop stall: $(live_longest_stall) ms"
grep 'event loop stalled' "$work/kestrum.log" || echo "no stall over 100 ms"
if live_sanitizer_reports; then
    echo "the sanitizers reported faults (above)"
    exit 1
fi
[ "$missing" -eq 0 ]
