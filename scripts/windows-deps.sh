#!/usr/bin/env bash
# Prepares what the Windows cross build needs beside the compiler, in build-windows-deps/ (or
# the folder given as the first argument), from Debian's packages only:
#   - the header-only libraries (nlohmann-json, toml++, CLI11) copied out of the build machine's
#     /usr/include, with CMake files that find them there, so that the build never puts the
#     machine's /usr/include on the target's path;
#   - cpp-httplib's header whole, from its Debian source (the Debian package splits it into a
#     header and a library compiled for Linux);
#   - libcsv, libsodium and OpenSSL built from their Debian sources as static Windows libraries.
# GoogleTest is built by the Windows build itself, from Debian's googletest sources
# (/usr/src/googletest). Done once: a folder that is complete is left as it is.
set -euo pipefail
cd "$(dirname "$0")/.."

deps="$(realpath -m "${1:-build-windows-deps}")"
stamp="$deps/.complete-2"
if [ -f "$stamp" ]; then
    exit 0
fi

triple=x86_64-w64-mingw32
sudo=""
if [ "$(id -u)" -ne 0 ]; then
    sudo="sudo"
fi

# Debian's source packages: apt needs a deb-src line for the release this machine runs.
# Without one, apt names no .dsc file to fetch.
if ! apt-get source --print-uris libsodium 2> /dev/null | grep -F .dsc > /dev/null; then
    codename="$(. /etc/os-release && echo "$VERSION_CODENAME")"
    echo "Adding Debian's source packages of $codename to apt's sources"
    printf 'Types: deb-src\nURIs: http://deb.debian.org/debian\nSuites: %s\nComponents: main\nSigned-By: /usr/share/keyrings/debian-archive-keyring.gpg\n' \
        "$codename" | $sudo tee /etc/apt/sources.list.d/kestrum-deb-src.sources > /dev/null
    $sudo apt-get update -q -o DPkg::Lock::Timeout=300
fi

rm -rf "$deps"
mkdir -p "$deps/src" "$deps/include" "$deps/lib/pkgconfig" "$deps/share/cmake"

# Header-only libraries.
cp -r /usr/include/nlohmann /usr/include/toml++ /usr/include/CLI "$deps/include/"
cp -r /usr/share/cmake/nlohmann_json /usr/share/cmake/CLI11 "$deps/share/cmake/"
mkdir -p "$deps/share/cmake/tomlplusplus"
cat > "$deps/share/cmake/tomlplusplus/tomlplusplusConfig.cmake" << 'CMAKE'
# toml++ as a header-only library.
if(NOT TARGET tomlplusplus::tomlplusplus)
    get_filename_component(_toml_prefix "${CMAKE_CURRENT_LIST_DIR}/../../.." ABSOLUTE)
    add_library(tomlplusplus::tomlplusplus INTERFACE IMPORTED)
    set_target_properties(tomlplusplus::tomlplusplus PROPERTIES
        INTERFACE_INCLUDE_DIRECTORIES "${_toml_prefix}/include"
        INTERFACE_COMPILE_DEFINITIONS "TOML_HEADER_ONLY=1")
endif()
set(tomlplusplus_FOUND TRUE)
CMAKE

cd "$deps/src"
apt-get source --download-only cpp-httplib libcsv libsodium openssl > /dev/null

# Each source with Debian's patches (their security fixes among them) applied.
for package in cpp-httplib libcsv libsodium openssl; do
    dpkg-source --no-check -x "$package"_*.dsc "$package" > /dev/null
done

# cpp-httplib: the header as its authors publish it.
cp cpp-httplib/httplib.h "$deps/include/"

# libcsv: one C file.
$triple-gcc-posix -O2 -Wall -c libcsv/libcsv.c -o libcsv.o
$triple-ar rcs "$deps/lib/libcsv.a" libcsv.o
cp libcsv/csv.h "$deps/include/"

# OpenSSL, for the web interface's HTTPS: libraries only.
(
    cd openssl
    ./Configure mingw64 --cross-compile-prefix=$triple- no-shared no-tests no-module no-engine \
        no-legacy --prefix="$deps" --libdir=lib > ../openssl.log 2>&1
    make -j2 build_libs >> ../openssl.log 2>&1
    make install_dev >> ../openssl.log 2>&1
) || { tail -30 openssl.log; exit 1; }

# libsodium, for the password's hash and the session tokens.
(
    cd libsodium
    ./autogen.sh -s > ../libsodium.log 2>&1
    ./configure --host=$triple --disable-shared --enable-static --prefix="$deps" \
        --disable-dependency-tracking >> ../libsodium.log 2>&1
    make -j2 install >> ../libsodium.log 2>&1
) || { tail -30 libsodium.log; exit 1; }

cat > "$deps/lib/pkgconfig/cpp-httplib.pc" << PC
Name: cpp-httplib
Description: cpp-httplib, header only, with OpenSSL
Version: $(sed -n 's/^#define CPPHTTPLIB_VERSION "\(.*\)"/\1/p' "$deps/include/httplib.h")
Cflags: -I$deps/include -DCPPHTTPLIB_OPENSSL_SUPPORT
Libs: -L$deps/lib -lssl -lcrypto -lws2_32 -lcrypt32
PC

rm -rf "$deps/src"
touch "$stamp"
echo "Windows libraries ready in $deps"
