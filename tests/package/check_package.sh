#!/usr/bin/env bash
# The Debian package that scripts/package.sh builds: the installed files and nothing else, the
# control fields, dependencies that name the libraries and what the program runs, and no error
# from lintian (its warnings are printed).
# Usage: check_package.sh PACKAGE.deb
set -uo pipefail
deb=$1
here=$(dirname "${BASH_SOURCE[0]}")
failures=0
fail() { echo "FAILED: $*"; failures=$((failures + 1)); }

diff <(dpkg-deb --fsys-tarfile "$deb" | tar -t | grep -v '/$' | sed 's|^\./||' | LC_ALL=C sort) \
    <(LC_ALL=C sort "$here/../install/installed-files.txt") || fail "the package's files differ"

field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = kestrum ] || fail "Package: $(field Package)"
[ "$(field Section)" = misc ] || fail "Section: $(field Section)"
[ -n "$(field Maintainer)" ] || fail "no Maintainer"
field Description | grep -q 'plans for five-digit' || fail "Description: $(field Description)"
depends=$(field Depends)
for needed in ca-certificates qt6-qpa-plugins qt6-translations-l10n libqt6webenginecore6-bin \
    libqt6widgets6 libqt6webenginewidgets6 libcurl4 libc6; do
    grep -qE "(^|, )$needed( |,|$)" <<< "$depends" || fail "Depends lacks $needed: $depends"
done
# Stripped, and built with Debian's hardening (stack protector, fortified functions, PIE).
dpkg-deb -x "$deb" "${tmp:=$(mktemp -d)}"
trap 'rm -rf "$tmp"' EXIT
for program in kestrum kestrum-cli kestrum-feedsim; do
    file "$tmp/usr/bin/$program" | grep -q 'pie executable.*, stripped' ||
        fail "$program: $(file -b "$tmp/usr/bin/$program")"
done

# The systemd user units run the installed kestrum-cli.
for unit in "$tmp"/usr/lib/systemd/user/*.service; do
    program=$(sed -n 's/^ExecStart=\([^ ]*\).*/\1/p' "$unit")
    [ "$program" = /usr/bin/kestrum-cli ] && [ -x "$tmp$program" ] ||
        fail "$(basename "$unit") runs $program, not the installed /usr/bin/kestrum-cli"
done

lintian --fail-on error --tag-display-limit 0 "$deb" > "$tmp/lintian.txt" 2>&1 ||
    fail "lintian reports errors"
echo "lintian:"
cat "$tmp/lintian.txt"

[ "$failures" -eq 0 ] && echo "ok: $deb"
exit "$failures"
