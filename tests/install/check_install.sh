#!/usr/bin/env bash
# What `cmake --install` puts under a prefix: exactly the files of installed-files.txt, a menu
# entry and a metainfo file that their validators accept, man pages that groff formats without
# a warning, icons of the sizes their folders name, a menu entry that runs the installed
# program, and systemd user units that run kestrum-cli watch and serve.
# Usage: check_install.sh BUILD_DIR
set -uo pipefail
build_dir=$1
here=$(dirname "${BASH_SOURCE[0]}")
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
failures=0
fail() { echo "FAILED: $*"; failures=$((failures + 1)); }

DESTDIR="$root" cmake --install "$build_dir" --prefix /usr > /dev/null || fail "cmake --install"
diff <(cd "$root" && find . -type f -o -type l | sed 's|^\./||' | LC_ALL=C sort) \
    <(LC_ALL=C sort "$here/installed-files.txt") || fail "the installed files differ (< installed, > expected)"

desktop="$root/usr/share/applications/org.kestrum.Kestrum.desktop"
output=$(desktop-file-validate "$desktop" 2>&1) && [ -z "$output" ] || fail "desktop-file-validate: $output"
grep -qx 'Exec=kestrum --data-dir "~/.local/share/kestrum"' "$desktop" || fail "the Exec line"
[ -x "$root/usr/bin/$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop")" ] || fail "Exec names no installed program"
grep -qx 'Icon=org.kestrum.Kestrum' "$desktop" || fail "the Icon line"

appstreamcli validate --no-net "$root/usr/share/metainfo/org.kestrum.Kestrum.metainfo.xml" ||
    fail "appstreamcli validate"

for page in kestrum kestrum-cli kestrum-feedsim; do
    output=$(zcat "$root/usr/share/man/man1/$page.1.gz" | groff -man -Tutf8 -ww -z 2>&1)
    [ -z "$output" ] || fail "groff on $page.1: $output"
    gzip -lv "$root/usr/share/man/man1/$page.1.gz" > /dev/null || fail "$page.1.gz is no gzip file"
done

# The systemd user units: each runs kestrum-cli (its folder is the one the build was configured
# with, which the package's check compares), and systemd-analyze, where installed, finds no
# fault in them. It checks that the program exists, so it reads copies that name the one
# installed here.
grep -qx 'ExecStart=.*/kestrum-cli watch --all --data-dir %h/.local/share/kestrum' \
    "$root/usr/lib/systemd/user/kestrum-watch.service" || fail "kestrum-watch.service's ExecStart"
grep -qx 'ExecStart=.*/kestrum-cli serve --all --data-dir %h/.local/share/kestrum' \
    "$root/usr/lib/systemd/user/kestrum-serve.service" || fail "kestrum-serve.service's ExecStart"
if command -v systemd-analyze > /dev/null; then
    mkdir "$root/units" "$root/runtime"
    for unit in "$root"/usr/lib/systemd/user/*.service; do
        sed "s|^ExecStart=[^ ]*/\([^/ ]*\) |ExecStart=$root/usr/bin/\1 |" "$unit" \
            > "$root/units/$(basename "$unit")"
    done
    for unit in "$root"/units/*.service; do
        output=$(XDG_RUNTIME_DIR="$root/runtime" systemd-analyze verify --user "$unit" 2>&1) &&
            [ -z "$output" ] || fail "systemd-analyze verify $(basename "$unit"): $output"
    done
else
    echo "systemd-analyze is not installed: the units' syntax is not checked"
fi

for png in "$root"/usr/share/icons/hicolor/*x*/apps/org.kestrum.Kestrum.png; do
    size=$(basename "$(dirname "$(dirname "$png")")")
    actual=$(file -b "$png" | sed -n 's/^PNG image data, \([0-9]*\) x \([0-9]*\),.*/\1x\2/p')
    [ "$actual" = "$size" ] || fail "$png is $actual, not $size"
done

[ "$failures" -eq 0 ] && echo "ok: the installed files"
exit "$failures"
