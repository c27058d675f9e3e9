#!/usr/bin/env bash
# Builds the Windows installer and the portable zip of kestrum-cli from the windows preset's
# build (build-windows, or the build folder given as the first argument):
#     build-windows/kestrum-<version>-setup.exe    (NSIS, dist/windows/kestrum.nsi)
#     build-windows/kestrum-<version>-windows.zip  (the same files, nothing installed)
# Both hold kestrum-cli.exe, kestrum-feedsim.exe beside it, the manual pages of both as one text
# file, the web interface's API, a README and the copyright, as text for Notepad (UTF-8 with a
# byte-order mark, CRLF). The Windows libraries come from scripts/windows-deps.sh.
set -euo pipefail
cd "$(dirname "$0")/.."
source="$PWD"
build="$(realpath -m "${1:-build-windows}")"

bash scripts/setup.sh
bash scripts/windows-deps.sh

# The version is the project's: 1.160615, the minor part being the release date as yymmdd.
version="$(sed -n 's/^project(Kestrum VERSION \([0-9]*\.[0-9]*\)[ )].*/\1/p' CMakeLists.txt)"
if ! [[ "$version" =~ ^([0-9]+)\.([0-9][0-9])([0-9][0-9])([0-9][0-9])$ ]]; then
    echo "package-windows.sh: no version as major.yymmdd in CMakeLists.txt: '$version'" >&2
    exit 1
fi
release_date="20${BASH_REMATCH[2]}-${BASH_REMATCH[3]}-${BASH_REMATCH[4]}"
# The installer's file version: four numbers of at most 65535 (1.16.615.0).
version_quad="${BASH_REMATCH[1]}.$((10#${BASH_REMATCH[2]}))"
version_quad+=".$((10#${BASH_REMATCH[3]}${BASH_REMATCH[4]})).0"

if [ ! -f "$build/CMakeCache.txt" ]; then
    if [ "$build" != "$source/build-windows" ]; then
        echo "package-windows.sh: $build is not a configured build folder" >&2
        exit 1
    fi
    cmake --preset windows
fi
cmake --build "$build" --parallel 2 --target kestrum-cli feedsim

stage="$build/windows-package/kestrum-$version"
rm -rf "$build/windows-package"
mkdir -p "$stage"
cp "$build/bin/kestrum-cli.exe" "$build/bin/kestrum-feedsim.exe" "$stage/"

# Text for Notepad: a byte-order mark and CRLF line ends.
notepad_text() {
    printf '\xef\xbb\xbf'
    sed 's/\r$//; s/$/\r/'
}
# The manual pages as plain text, 78 columns, without hyphenation at line ends; the window's
# page, kestrum(1), is Linux's alone.
manual_page() {
    sed -e "s/@PROJECT_VERSION@/$version/g" -e "s/@KESTRUM_RELEASE_DATE@/$release_date/g" \
        "dist/man/$1.1.in" | groff -k -man -Tutf8 -rLL=78n -rHY=0 -P-c 2> /dev/null | col -bx
}
{
    manual_page kestrum-cli
    printf '\n\n'
    manual_page kestrum-feedsim
} | notepad_text > "$stage/manual.txt"
sed "s/@VERSION@/$version/g" dist/windows/README.txt.in | notepad_text > "$stage/README.txt"
notepad_text < dist/doc/copyright > "$stage/copyright.txt"
cp web/openapi.json "$stage/openapi.json"
# The files carry the release date, so that the zip depends on their contents alone.
touch -d "$release_date 00:00:00 UTC" "$stage"/* "$stage"

setup="$build/kestrum-$version-setup.exe"
zipfile="$build/kestrum-$version-windows.zip"
rm -f "$setup" "$zipfile"
size_kb="$(du -k --apparent-size -c "$stage"/* | tail -n 1 | cut -f 1)"
makensis -V2 -INPUTCHARSET UTF8 \
    -DVERSION="$version" -DVERSION_QUAD="$version_quad" -DSTAGE="$stage" \
    -DOUTFILE="$setup" -DSIZE_KB="$size_kb" dist/windows/kestrum.nsi
(cd "$build/windows-package" && zip -q -X -9 "$zipfile" "kestrum-$version" "kestrum-$version"/*)
ls -l "$setup" "$zipfile"
