# Shared by the soak and fault scripts: builds the program and the feed server (the release
# preset, in build-release), starts and stops them, picks a lottery with a click, samples the
# program's files and memory. Sourced, not run, after "root=...".
# KESTRUM_LIVE_PRESET=test runs the test build instead (build-test: AddressSanitizer and
# UndefinedBehaviorSanitizer over the whole program); a sanitizer report in the program's log
# then fails the script.

source "$root/scripts/feedsim-start.sh"

live_preset=${KESTRUM_LIVE_PRESET:-release}
live_dir="$root/build-$live_preset"
# The browser engine of the web panels trips AddressSanitizer in code that is not ours, and its
# leaks at exit are not ours either; every other report stops the program.
export ASAN_OPTIONS=${ASAN_OPTIONS:-new_delete_type_mismatch=0:detect_leaks=0:abort_on_error=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1}

# The feed server runs on its default ports, so that the program finds it again after a
# restart (the fault script stops and starts it).
live_addresses=(--web-host http://127.0.0.1:47800 --feed-host-1 http://127.0.0.1:47801
                --feed-host-2 http://127.0.0.1:47802)

live_build() {
    bash scripts/setup.sh
    cmake --preset "$live_preset" > /dev/null
    if [ "$live_preset" = release ]; then
        cmake --build --preset release
    else
        cmake --build --preset "$live_preset" --target kestrum feedsim
    fi
}

# Whether the program's log holds a sanitizer's report (AddressSanitizer, LeakSanitizer or
# UndefinedBehaviorSanitizer); prints them.
live_sanitizer_reports() {
    grep -E 'ERROR: (AddressSanitizer|LeakSanitizer)|runtime error:' "$work/kestrum.log"
}

# Builds, makes the scratch folder $work (removed at exit, with the feed server stopped and the
# program's log kept as live-kestrum.log in the build folder) and
# starts the feed server. The script runs the program inside the virtual display with
# "$work/inside.sh", which sources this file again after "root=...; work=...".
live_begin() {
    live_build
    work=$(mktemp -d)
    trap 'feedsim_stop; cp "$work/kestrum.log" "$live_dir/live-kestrum.log" 2>/dev/null || true; rm -rf "$work"' EXIT
    live_feedsim
}

# live_feedsim [feedsim options...]: (re)starts the feed server and waits for its "listening"
# line; its pid in $feedsim_pid. Fails when it ends first (a port taken by another server).
live_feedsim() {
    feedsim_stop
    feedsim_start "$live_dir/bin/kestrum-feedsim" "$work/feedsim.log" "$@"
}

# Runs inside the virtual display: starts the program in $work/app with its event-loop watch on
# (KESTRUM_LOOP_WATCH=1: the stall lines of its log that live_longest_stall reads), waits for
# its first plans, then clicks 迪拜分分彩 (1440 draws a day, a refresh every 10 s).
live_start_kestrum() {
    mkdir -p "$work/app"
    (cd "$work/app" && KESTRUM_LOOP_WATCH=1 exec "$live_dir/bin/kestrum" "${live_addresses[@]}" \
        > "$work/kestrum.log" 2>&1) &
    kestrum_pid=$!
    for _ in $(seq 300); do
        [ -e "$work/app/h5bzd.txt" ] && break
        sleep 0.1
    done
    local window
    window=$(xdotool search --sync --name 'Varnel' | head -n 1)
    eval "$(xdotool getwindowgeometry --shell "$window")"
    # The option at dialog units (310, 140, 55 × 16): 1.5 px a unit with the dialog font.
    xdotool mousemove $((X + 475)) $((Y + 222)) click 1
    sleep 3
}

live_rss_kb() {
    awk '/^VmRSS/ { print $2 }' "/proc/$kestrum_pid/status"
}

live_alive() {
    kill -0 "$kestrum_pid" 2>/dev/null
}

# Closes the window with Escape, which ends the program and logs its longest stall.
live_close_kestrum() {
    local window
    window=$(xdotool search --name 'Varnel' | head -n 1)
    if [ -n "$window" ]; then
        xdotool windowfocus --sync "$window"
        xdotool key Escape
    fi
    for _ in $(seq 100); do
        live_alive || break
        sleep 0.1
    done
    live_alive && kill "$kestrum_pid"
    wait "$kestrum_pid" 2>/dev/null || true
}

live_longest_stall() {
    sed -n 's/^longest event loop stall[^:]*: \([0-9]*\) ms$/\1/p' "$work/kestrum.log" | tail -n 1
}
