#!/usr/bin/env bash
# Measures how long the program takes from its launch to its first window on screen while the
# maker's web host answers only after a delay (first argument, in seconds; default 30, the
# transfer time-out of the update check; 0 answers at once). The program runs on a virtual
# display of its own against the local feed server; everything the
# script starts is stopped by its own pid. It builds the release preset, in build-release;
# KESTRUM_RELEASE_BUILD_DIR puts the same build in another folder.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/feedsim-start.sh
delay=${1:-30}

bash scripts/setup.sh
if [ -n "${KESTRUM_RELEASE_BUILD_DIR:-}" ]; then
    build_dir=$(realpath -m "$KESTRUM_RELEASE_BUILD_DIR")
    cmake --preset release -B "$build_dir" > /dev/null
    cmake --build "$build_dir" -j2 --target kestrum feedsim
else
    build_dir=$(realpath build-release)
    cmake --preset release > /dev/null
    cmake --build --preset release
fi

work=$(mktemp -d)
xvfb_pid=""
feedsim_pid=""
xev_pid=""
kestrum_pid=""
stop() { # stop PID: ends the process and waits for it
    if [ -n "$1" ]; then
        kill "$1" 2> /dev/null || true
        wait "$1" 2> /dev/null || true
    fi
}
finish() {
    stop "$kestrum_pid"
    stop "$xev_pid"
    stop "$feedsim_pid"
    stop "$xvfb_pid"
    rm -rf "$work"
}
trap finish EXIT

# A free display: Xvfb writes its number to descriptor 3 once it accepts clients.
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3> "$work/display" 2> "$work/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 100); do
    [ -s "$work/display" ] && break
    kill -0 "$xvfb_pid" 2> /dev/null || { echo "Xvfb ended:"; cat "$work/xvfb.log"; exit 1; }
    sleep 0.1
done
[ -s "$work/display" ] || { echo "Xvfb did not start"; exit 1; }
DISPLAY=":$(head -n 1 "$work/display")"
export DISPLAY

feedsim_start "$build_dir/bin/kestrum-feedsim" "$work/feedsim.log" --web-delay "$delay" || exit 1

# Every window mapped on the root, as it happens: nothing polls the display meanwhile, which
# would take the processor from the program as it starts.
mkfifo "$work/events"
stdbuf -oL xev -root -event substructure > "$work/events" 2> /dev/null &
xev_pid=$!
exec 4< "$work/events"
sleep 0.5

mkdir "$work/app"
launched=$(date +%s%N)
(cd "$work/app" && exec "$build_dir/bin/kestrum" "${feedsim_addresses[@]}" > "$work/kestrum.log" 2>&1) &
kestrum_pid=$!
# The first window mapped that is not override-redirect (a menu or tooltip would be): xev gives
# "MapNotify event, ..." and then "    event 0x..., window 0x..., override NO" for it.
window=""
while [ -z "$window" ] && IFS= read -r -t 120 line <&4; do
    if [[ $line == MapNotify* ]] && IFS= read -r -t 5 line <&4 && [[ $line == *"override NO"* ]]; then
        mapped=$(date +%s%N)
        window=${line##*window }
        window=${window%%,*}
    fi
done
[ -n "$window" ] || { echo "no window seen"; tail -n 5 "$work/kestrum.log"; exit 1; }
name=$(xprop -id "$window" _NET_WM_NAME | sed -n 's/^[^=]*= //p')
echo "web host answering after ${delay} s: first window after $(((mapped - launched) / 1000000)) ms: $name"
