#!/usr/bin/env bash
# Sets up, builds (the release preset, in build-release) and runs Kestrum. With no address
# configured (no option, no settings file naming one) the program starts its local feed server
# itself and stops it when the window closes. The data files ("data1.txt", the export files) are
# written into run/ of the repository. Arguments go to the program (kestrum --help).
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh

cmake --preset release
cmake --build --preset release

mkdir -p run
cd run
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display: running Kestrum on a virtual one (xvfb-run)."
    exec xvfb-run -a -s "-screen 0 1280x800x24" ../build-release/bin/kestrum "$@"
fi
exec ../build-release/bin/kestrum "$@"
