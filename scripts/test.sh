#!/usr/bin/env bash
# Sets up, builds the test build (the test preset: AddressSanitizer, UndefinedBehaviorSanitizer,
# warnings as errors, _GLIBCXX_ASSERTIONS; in build-test) and runs every test through CTest; then
# builds the Debian package and checks it; then cross-builds the Windows programs (the windows
# preset, in build-windows) and runs their tests under Wine, the installer's among them.
# KESTRUM_TEST_BUILD_DIR puts the same build in another folder (a preset's folder is fixed), for
# people who share a working tree.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh

if [ -n "${KESTRUM_TEST_BUILD_DIR:-}" ]; then
    cmake --preset test -B "$KESTRUM_TEST_BUILD_DIR"
    cmake --build "$KESTRUM_TEST_BUILD_DIR" -j2
    ctest --test-dir "$KESTRUM_TEST_BUILD_DIR" --output-on-failure -j2
else
    cmake --preset test
    cmake --build --preset test
    ctest --preset test
fi

# The Debian package: built (the package preset, in build-package) and checked.
bash scripts/package.sh
bash tests/package/check_package.sh build-package/kestrum_*.deb

# The Windows programs: the libraries they need from Debian's sources (once), the cross build,
# and every test of it under Wine.
bash scripts/windows-deps.sh
cmake --preset windows
cmake --build --preset windows
ctest --preset windows
