#!/usr/bin/env bash
# Sets up, builds and runs Kestrum against the local feed server, which it starts first and
# stops when the window closes. The data files ("data1.txt", the export files) are written
# into run/ of the repository.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh

cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DKESTRUM_BUILD_TESTS=OFF -DKESTRUM_BUILD_BENCH=OFF
cmake --build build-release -j2 --target kestrum feedsim

listening() {
    (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null
}

feedsim_pid=""
stop_feedsim() {
    if [ -n "$feedsim_pid" ]; then
        kill "$feedsim_pid" 2>/dev/null || true
        wait "$feedsim_pid" 2>/dev/null || true
    fi
}
trap stop_feedsim EXIT

if listening 47801; then
    echo "A feed server already listens on 127.0.0.1:47801; using it."
else
    ./build-release/bin/feedsim &
    feedsim_pid=$!
    for _ in $(seq 50); do
        listening 47801 && break
        sleep 0.1
    done
fi

mkdir -p run
cd run
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display: running Kestrum on a virtual one (xvfb-run)."
    xvfb-run -a -s "-screen 0 1280x800x24" ../build-release/bin/kestrum
else
    ../build-release/bin/kestrum
fi
