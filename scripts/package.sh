#!/usr/bin/env bash
# Builds the Debian package with cpack (the package preset, in build-package), with Debian's
# hardening flags: build-package/kestrum_<version>_<arch>.deb. Install it with
#     sudo apt-get install ./build-package/kestrum_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh

# Every hardening feature, bindnow included.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cmake --preset package \
    -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)" \
    -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)"
cmake --build --preset package
rm -f build-package/kestrum_*.deb
(cd build-package && cpack -G DEB)
ls build-package/kestrum_*.deb
