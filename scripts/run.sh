#!/usr/bin/env bash
# Sets up, builds (the release preset, in build-release) and runs Kestrum against the local feed
# server, which it starts first and stops when the window closes. The data files ("data1.txt",
# the export files) are written into run/ of the repository. A port of the feed server that
# another process holds stops the script: Kestrum would otherwise read that process's feeds.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/feedsim-start.sh

bash scripts/setup.sh

cmake --preset release
cmake --build --preset release

feedsim_pid=""
stop_feedsim() {
    if [ -n "$feedsim_pid" ]; then
        kill "$feedsim_pid" 2>/dev/null || true
        wait "$feedsim_pid" 2>/dev/null || true
    fi
}
trap stop_feedsim EXIT

mkdir -p run
feedsim_start ./build-release/bin/feedsim run/feedsim.log || exit 1
tail -n 1 run/feedsim.log

cd run
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display: running Kestrum on a virtual one (xvfb-run)."
    xvfb-run -a -s "-screen 0 1280x800x24" ../build-release/bin/kestrum
else
    ../build-release/bin/kestrum
fi
