#!/usr/bin/env bash
# The program under Xvfb on a 1440-draw lottery while the feed server misbehaves: stopped and
# started again, answering 500, answering bytes that are no draw lines, answering too slowly.
# The program must stay alive and responsive, never store an error page, and take up the draws
# again once the feed is back.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
phase_seconds=${1:-40}
source scripts/live-common.sh
live_begin

cat > "$work/inside.sh" <<INSIDE
set -euo pipefail
root=$root; work=$work
source "$root/scripts/live-common.sh"
feedsim_pid=$feedsim_pid
failures=0
check() { # check NAME CONDITION...
    local name=\$1; shift
    if "\$@"; then echo "ok: \$name"; else echo "FAILED: \$name"; failures=\$((failures + 1)); fi
}
newest() { curl -s --max-time 5 http://127.0.0.1:47802/dbffc.txt | head -n 1; }
snapshot() { cat "$work/app/data1.txt"; }
follows() { # the snapshot catches up with the feed within two refresh periods and a draw
    local want
    for _ in \$(seq 80); do
        want=\$(newest)
        [ -n "\$want" ] && [ "\$(snapshot)" = "\$want" ] && return 0
        sleep 1
    done
    return 1
}
live_start_kestrum
check "follows the feed at first" follows

feedsim_stop
sleep $phase_seconds
check "alive with the feed server stopped" live_alive
live_feedsim
check "takes up the draws after the restart" follows

live_feedsim --fault error
before=\$(snapshot)
sleep $phase_seconds
check "alive while the feeds answer 500" live_alive
check "no error page stored" test "\$(snapshot)" = "\$before"
live_feedsim
check "takes up the draws after the errors" follows

live_feedsim --fault garbage
sleep $phase_seconds
check "alive while the feeds answer garbage" live_alive
live_feedsim
check "takes up the draws after the garbage" follows

live_feedsim --fault slow
sleep 50
check "alive while the feeds answer too slowly" live_alive
live_feedsim
check "takes up the draws after the slow answers" follows

live_close_kestrum
feedsim_stop
echo "longest event loop stall: \$(live_longest_stall) ms"
# The sanitizers' build runs several times slower: its stalls say nothing of the program's.
if [ "\$live_preset" = release ]; then
    check "the event loop never stalled over 100 ms" test "\$(live_longest_stall)" -le 100
fi
check "no sanitizer report" test -z "\$(live_sanitizer_reports)"
exit \$failures
INSIDE
xvfb-run -a -s "-screen 0 1280x800x24" bash "$work/inside.sh"
