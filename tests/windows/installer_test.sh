#!/usr/bin/env bash
# The Windows installer under Wine, in a Wine prefix of its own made for this run: a silent
# install, the installed kestrum-cli's version and its report of the committed feed against the
# golden reports, the Start-menu shortcuts and the uninstall entry; then a silent uninstall,
# after which none of these is left while the user's data is.
#     installer_test.sh BUILD_FOLDER SOURCE_FOLDER
# Makes the installer with scripts/package-windows.sh when it is missing or older than what
# goes into it.
set -euo pipefail

build="$(realpath "$1")"
source="$(realpath "$2")"

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

version="$(sed -n 's/^project(Kestrum VERSION \([0-9]*\.[0-9]*\)[ )].*/\1/p' \
              "$source/CMakeLists.txt")"
[ -n "$version" ] || fail "no project version in $source/CMakeLists.txt"
setup="$build/kestrum-$version-setup.exe"
inputs=("$build/bin/kestrum-cli.exe" "$build/bin/kestrum-feedsim.exe"
        "$source/dist/windows/kestrum.nsi" "$source/dist/windows/README.txt.in"
        "$source/scripts/package-windows.sh" "$source/dist/man/kestrum-cli.1.in"
        "$source/dist/man/kestrum-feedsim.1.in" "$source/dist/doc/copyright"
        "$source/web/openapi.json")
stale=0
for input in "${inputs[@]}"; do
    if [ ! -f "$setup" ] || [ ! -f "$input" ] || [ "$input" -nt "$setup" ]; then
        stale=1
    fi
done
if [ "$stale" -eq 1 ]; then
    bash "$source/scripts/package-windows.sh" "$build"
fi
[ -f "$setup" ] || fail "no installer $setup"

# A fresh prefix, without the Mono and Gecko install dialogs and without menu entries on this
# machine's own desktop for the shortcuts the installer makes.
WINEPREFIX="$(mktemp -d)"
export WINEPREFIX
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
cleanup() {
    wineserver -k 2> /dev/null || true
    rm -rf "$WINEPREFIX"
}
trap cleanup EXIT
trap 'exit 1' INT TERM
started=$SECONDS

# Waits for every process of the prefix to end, two minutes at most.
wait_for_prefix() {
    timeout 120 wineserver -w || fail "a process of the prefix still runs after $1"
}

# The Unix path of a Windows one in the prefix.
unix_path() {
    winepath -u "$1" 2> /dev/null
}
# A variable of the prefix's environment, as Windows sees it.
windows_variable() {
    wine cmd /c echo "%$1%" 2> /dev/null | tr -d '\r'
}

wineboot -i > /dev/null 2>&1
wait_for_prefix "making the prefix"
echo "prefix made in $((SECONDS - started)) s"

program_files="$(unix_path 'C:\Program Files')"
instdir="$program_files/Kestrum"
localappdata="$(unix_path "$(windows_variable LOCALAPPDATA)")"
appdata="$(unix_path "$(windows_variable APPDATA)")"
programdata="$(unix_path "$(windows_variable ProgramData)")"
menu="$programdata/Microsoft/Windows/Start Menu/Programs/Kestrum"
key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Kestrum'
[ -d "$program_files" ] && [ -d "$localappdata" ] && [ -d "$appdata" ] \
    || fail "the prefix has no Program Files, LOCALAPPDATA or APPDATA folder"

# --- Install ---------------------------------------------------------------------------------
status=0
timeout 120 wine "$setup" /S || status=$?
wait_for_prefix "installing"
[ "$status" -eq 0 ] || fail "the silent install ended with $status"
echo "installed at $((SECONDS - started)) s"

for file in kestrum-cli.exe kestrum-feedsim.exe manual.txt README.txt copyright.txt openapi.json \
            uninstall.exe; do
    [ -f "$instdir/$file" ] || fail "not installed: Program Files\\Kestrum\\$file"
done
cmp -s "$instdir/kestrum-cli.exe" "$build/bin/kestrum-cli.exe" \
    || fail "the installed kestrum-cli.exe is not the one built"
cmp -s "$instdir/kestrum-feedsim.exe" "$build/bin/kestrum-feedsim.exe" \
    || fail "the installed kestrum-feedsim.exe is not the one built"
# The manual, for Notepad: both pages, a byte-order mark, every line ending in CRLF.
manual="$instdir/manual.txt"
[ "$(head -c 3 "$manual" | od -An -tx1 | tr -d ' ')" = efbbbf ] \
    || fail "manual.txt does not start with a UTF-8 byte-order mark"
grep -q 'KESTRUM-CLI(1) *User Commands' "$manual" \
    && grep -q '^KESTRUM-FEEDSIM(1) *User Commands' "$manual" \
    || fail "manual.txt lacks the page of kestrum-cli or kestrum-feedsim"
if grep -q $'[^\r]$' "$manual"; then
    fail "manual.txt has a line without CRLF"
fi

# --- The installed program -------------------------------------------------------------------
cli='C:\Program Files\Kestrum\kestrum-cli.exe'
answer="$(timeout 120 wine "$cli" --version 2>&1)" || fail "kestrum-cli --version failed: $answer"
[ "$answer" = "kestrum-cli $version" ] || fail "kestrum-cli --version said '$answer'"

# plan over the committed feed, every play type: each golden report (LF line ends) under its
# header, the reports parted by a blank line.
mkdir -p "$localappdata/feed"
cp "$source/tests/e2e/cases/startup/feed/feed1/ssckj/cq.txt" "$localappdata/feed/cq.txt"
site="https://kestrum.example/"
expected="$WINEPREFIX/plan.expected"
: > "$expected"
for play in h1:后一 h2:后二 h3:后三 h3b:后三不定位 h5b:五星不定位 shi:十位 bai:百位 qian:千位 \
            wan:万位 q3:前三; do
    name="${play%%:*}"
    [ -s "$expected" ] && printf '\n' >> "$expected"
    printf '# %s (%s)\n' "${play#*:}" "$name" >> "$expected"
    tr -d '\r' < "$source/tests/cli/cases/startup/$name.txt" >> "$expected"
done
status=0
feed="$(windows_variable LOCALAPPDATA)\\feed\\cq.txt"
timeout 120 wine "$cli" plan --feed "$feed" --site-url "$site" > "$WINEPREFIX/plan.out" \
    2> "$WINEPREFIX/plan.err" || status=$?
[ "$status" -eq 0 ] || fail "kestrum-cli plan ended with $status: $(cat "$WINEPREFIX/plan.err")"
if ! cmp -s "$expected" "$WINEPREFIX/plan.out"; then
    diff "$expected" "$WINEPREFIX/plan.out" | head -n 20 >&2 || true
    fail "kestrum-cli plan differs from the golden reports"
fi
rm -r "$localappdata/feed"

# With no address configured, the installed kestrum-cli runs the feed server installed beside
# it, and stops it when it ends (whether or not it got its draws from it).
timeout 120 wine "$cli" plan --play h1 > /dev/null 2> "$WINEPREFIX/local.err" || true
grep -qF 'local feed server C:\Program Files\Kestrum\kestrum-feedsim.exe (' \
    "$WINEPREFIX/local.err" \
    || fail "kestrum-cli did not run the installed feed server: $(cat "$WINEPREFIX/local.err")"
wait_for_prefix "kestrum-cli ended"

# --- Shortcuts and the uninstall entry -------------------------------------------------------
[ -d "$menu" ] || fail "no Start-menu folder Kestrum in $programdata"
shortcuts="$(cd "$menu" && ls | sort | tr '\n' '|')"
[ "$shortcuts" = "Kestrum manual.lnk|Kestrum.lnk|全部彩种导出.lnk|" ] \
    || fail "the Start-menu folder holds: $shortcuts"
# What each shortcut runs, with its arguments, in the user's own folder.
shortcut_runs() {
    local link="$1" expected
    expected="$(printf '%s\n' "$2" "$3" '%USERPROFILE%')"
    [ "$(python3 "$source/tests/windows/read_shortcut.py" "$menu/$link")" = "$expected" ] \
        || fail "$link runs: $(python3 "$source/tests/windows/read_shortcut.py" "$menu/$link" \
                               | tr '\n' '|')"
}
shortcut_runs Kestrum.lnk 'C:\Program Files\Kestrum\kestrum-cli.exe' 'serve --open'
shortcut_runs 全部彩种导出.lnk 'C:\Program Files\Kestrum\kestrum-cli.exe' 'watch --all'
shortcut_runs 'Kestrum manual.lnk' 'C:\Program Files\Kestrum\manual.txt' ''

entry="$(wine reg query "$key" 2> /dev/null | tr -d '\r')" || fail "no uninstall entry $key"
for value in "DisplayName REG_SZ Kestrum" "DisplayVersion REG_SZ $version" \
             "Publisher REG_SZ Kestrum" "InstallLocation REG_SZ C:\\Program Files\\Kestrum" \
             "UninstallString REG_SZ \"C:\\Program Files\\Kestrum\\uninstall.exe\"" \
             "QuietUninstallString REG_SZ \"C:\\Program Files\\Kestrum\\uninstall.exe\" /S"; do
    name="${value%% *}"
    line="$(grep -E "^ +$name " <<< "$entry" | sed -E 's/^ +//; s/ +/ /g')"
    [ "$line" = "$value" ] || fail "uninstall entry: '$line', not '$value'"
done
size="$(grep -E '^ +EstimatedSize ' <<< "$entry" | awk '{print $3}')"
[ -n "$size" ] && [ $((size)) -ge $(( $(stat -c %s "$instdir/kestrum-cli.exe") / 1024 )) ] \
    || fail "uninstall entry: EstimatedSize '$size' is less than kestrum-cli.exe"

# --- Uninstall -------------------------------------------------------------------------------
# The user's data, which the uninstaller must leave.
mkdir -p "$localappdata/Kestrum/cq" "$appdata/Kestrum"
echo draws > "$localappdata/Kestrum/cq/data1.txt"
echo 'data_dir = "x"' > "$appdata/Kestrum/kestrum.toml"

# The uninstaller copies itself to the temporary folder and runs from there, so that it can
# remove itself: wait for every process of the prefix.
status=0
timeout 120 wine 'C:\Program Files\Kestrum\uninstall.exe' /S || status=$?
wait_for_prefix "uninstalling"
[ "$status" -eq 0 ] || fail "the silent uninstall ended with $status"

[ ! -e "$instdir" ] || fail "left after uninstalling: $(cd "$instdir" && ls | tr '\n' ' ')"
[ ! -e "$menu" ] || fail "left after uninstalling: the Start-menu folder Kestrum"
if wine reg query "$key" > /dev/null 2>&1; then
    fail "left after uninstalling: the uninstall entry $key"
fi
[ -f "$localappdata/Kestrum/cq/data1.txt" ] && [ -f "$appdata/Kestrum/kestrum.toml" ] \
    || fail "the uninstaller removed the user's data"

echo "installer test passed in $((SECONDS - started)) s"
