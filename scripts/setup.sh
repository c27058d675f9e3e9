#!/usr/bin/env bash
# Installs the Debian packages that building, testing and packaging Kestrum need, and the
# commands that the scripts run (xvfb-run, import, xdotool, xev and xprop, curl, clang for the
# fuzz build, the validators of the installed files and of the package, Chromium, Node.js and
# npm for the browser tests, the MinGW-w64 cross compiler with the tools that build the Windows
# libraries from Debian's sources, Wine for the Windows tests, NSIS and zip for the Windows
# installer and zip); only those missing.
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config
    libgtest-dev libgmock-dev libbenchmark-dev
    libcurl4-openssl-dev libcpp-httplib-dev libtomlplusplus-dev libcli11-dev nlohmann-json3-dev
    libcsv-dev libsodium-dev
    python3-jsonschema
    qt6-base-dev qt6-webengine-dev qt6-translations-l10n fonts-arphic-uming
    xvfb xauth imagemagick xdotool x11-utils curl
    dpkg-dev file groff-base desktop-file-utils appstream lintian
    clang libclang-rt-dev
    chromium openssl
    g++-mingw-w64-x86-64-posix googletest autoconf automake libtool wine wine64 nsis zip
)

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$package")
    fi
done
# Node.js and npm for the browser tests (tests/web): Debian's packages, unless a node and npm of
# another source are there already (such a nodejs package brings npm and conflicts with Debian's).
command -v node > /dev/null || missing+=(nodejs)
command -v npm > /dev/null || missing+=(npm)

if [ "${#missing[@]}" -eq 0 ]; then
    exit 0
fi

sudo=""
if [ "$(id -u)" -ne 0 ]; then
    sudo="sudo"
fi
echo "Installing: ${missing[*]}"
$sudo apt-get update -q -o DPkg::Lock::Timeout=300
$sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -q -o DPkg::Lock::Timeout=300 \
    --no-install-recommends "${missing[@]}"
