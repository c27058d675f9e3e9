# Starts the local feed server and waits until that very process is ready, and stops it. Sourced,
# not run: by first-window.sh, live-common.sh and the end-to-end and kestrum-cli test scripts.

# feedsim_start BINARY LOG [feedsim options...]: starts BINARY in the background with its output
# in LOG (emptied first) and its pid in $feedsim_pid, and returns once it has printed its
# "listening" line. The options that point Kestrum at it are then in the array
# $feedsim_addresses (--feed-host-1 URL --feed-host-2 URL --web-host URL). Fails with a message, and $feedsim_pid empty, when the process ends first (a
# port is taken, an option is wrong) or is not ready within 10 s: a server that another process
# runs on the same ports is never taken for this one.
feedsim_start() {
    local binary=$1 log=$2
    shift 2
    # Emptied here, not by the redirection of the background job: that may come after the
    # first look below, which would then read an earlier server's "listening" line.
    : > "$log"
    "$binary" "$@" >> "$log" 2>&1 &
    feedsim_pid=$!
    local _ status
    for _ in $(seq 100); do
        if grep -q '^feedsim: listening' "$log"; then
            local ports
            read -r -a ports < <(sed -n 's/^feedsim: listening on 127\.0\.0\.1:\([0-9]*\), \([0-9]*\), \([0-9]*\).*/\1 \2 \3/p' "$log")
            feedsim_addresses=(--web-host "http://127.0.0.1:${ports[0]}"
                               --feed-host-1 "http://127.0.0.1:${ports[1]}"
                               --feed-host-2 "http://127.0.0.1:${ports[2]}")
            return 0
        fi
        if ! kill -0 "$feedsim_pid" 2> /dev/null; then
            status=0
            wait "$feedsim_pid" || status=$?
            feedsim_pid=""
            echo "feedsim ended with status $status before it was ready:" >&2
            cat "$log" >&2
            return 1
        fi
        sleep 0.1
    done
    echo "feedsim was not ready after 10 s:" >&2
    cat "$log" >&2
    kill "$feedsim_pid" 2> /dev/null || true
    wait "$feedsim_pid" 2> /dev/null || true
    feedsim_pid=""
    return 1
}

# feedsim_stop: stops the server that feedsim_start started, if it runs, and waits for it;
# $feedsim_pid is empty afterwards.
feedsim_stop() {
    if [ -n "${feedsim_pid:-}" ]; then
        kill "$feedsim_pid" 2> /dev/null || true
        wait "$feedsim_pid" 2> /dev/null || true
        feedsim_pid=""
    fi
}
