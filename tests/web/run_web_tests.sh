#!/usr/bin/env bash
# The browser tests of the web interface (pages.test.mjs): Debian's Chromium driven by
# playwright-core, whose pinned copy npm installs from package-lock.json when it is missing.
# Usage: run_web_tests.sh KESTRUM_CLI KESTRUM_FEEDSIM ARTIFACT_DIR
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
KESTRUM_CLI=$(realpath "$1")
KESTRUM_FEEDSIM=$(realpath "$2")
WEB_ARTIFACTS=$(realpath -m "$3")
export KESTRUM_CLI KESTRUM_FEEDSIM WEB_ARTIFACTS
export WEB_CASES=$here/../e2e/cases

for command in node npm /usr/bin/chromium openssl; do
    command -v "$command" > /dev/null ||
        { echo "FAILED: $command is missing (bash scripts/setup.sh installs it)"; exit 1; }
done
if [ ! -d "$here/node_modules/playwright-core" ]; then
    (cd "$here" && npm ci --prefer-offline --no-audit --no-fund --ignore-scripts) ||
        { echo "FAILED: npm ci could not install playwright-core"; exit 1; }
fi
# The screenshots of this run only.
mkdir -p "$WEB_ARTIFACTS"
rm -f "$WEB_ARTIFACTS"/*.png
cd "$here"
exec node --test pages.test.mjs
