#!/usr/bin/env bash
# The real program under Xvfb against the local feed server serving a case's fixed files:
# "data1.txt" and the export files must equal, byte for byte, the case's committed expected/
# files, and the program must still run at the end. A screenshot of the window is kept in the
# artifact folder.
# Usage: run_e2e.sh BIN_DIR CASE_DIR ARTIFACT_DIR
# CASE_DIR holds feed/, expected/ and an optional case.env, which names what happens after the
# start-up (ExpectedFiles.cpp computes the same):
#   switch_to=N           click lottery N's option, then wait until "data1.txt" changes
#   next_feed=DIR         then put the files of CASE_DIR/DIR over the served feed, and wait
#                         until the refresh has rewritten every export file
#   unwritable_exports=1  each export file's path is a folder before the program starts: only
#                         the files in expected/ may be written, the others stay folders, and
#                         the log names each of them
#   config=FILE           the program reads CASE_DIR/FILE as its settings file (its draw
#                         sources) instead of an empty one; the address options still point it
#                         at the feed server
set -euo pipefail
bin_dir=$(cd "$1" && pwd)
case_dir=$(cd "$2" && pwd)
mkdir -p "$3"
artifacts=$(cd "$3" && pwd)
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/feedsim-start.sh"

switch_to=""
next_feed=""
unwritable_exports=""
config=""
if [ -f "$case_dir/case.env" ]; then
    source "$case_dir/case.env"
fi

work=$(mktemp -d)
mkdir -p "$artifacts" "$work/app"
rm -f "$artifacts"/*.png
feedsim_pid=""
cleanup() {
    feedsim_stop
    rm -rf "$work"
}
trap cleanup EXIT

exports="geweizd.txt h2zd.txt shiweizd.txt baiweizd.txt qianweizd.txt wanweizd.txt h3zd.txt h3bzd.txt h5bzd.txt"
files="data1.txt $exports"
if [ -n "$unwritable_exports" ]; then
    # A folder where a file should be: it cannot be replaced, even by root.
    for f in $exports; do mkdir "$work/app/$f"; done
fi

# The feed is served from a copy, which next_feed changes while the program runs.
cp -r "$case_dir/feed" "$work/feed"
# The feed server on free ports; the program is pointed at them, and reads no settings file but
# the case's own.
feedsim_start "$bin_dir/kestrum-feedsim" "$work/feedsim.log" --files "$work/feed" \
    --web-port 0 --feed1-port 0 --feed2-port 0 || exit 1
if [ -n "$config" ]; then
    settings_file="$case_dir/$config"
else
    settings_file="$work/none.toml"
    : > "$settings_file"
fi

# Inside the virtual display: start the program, wait for its files, do the case's steps, take
# the screenshot. Each wait ends with a message in steps.log when it times out.
cat > "$work/inside.sh" <<'INSIDE'
set -u
cd "$work/app"
log() { echo "$*" >> "$work/steps.log"; }
# wait_for SECONDS COMMAND...: until COMMAND succeeds, every 0.1 s.
wait_for() {
    local tenths=$(($1 * 10))
    shift
    for _ in $(seq "$tenths"); do
        "$@" && return 0
        sleep 0.1
    done
    log "timed out: $*"
    return 1
}
all_written() {
    local f
    for f in $files; do [ -f "$f" ] || return 1; done
}
all_refused() {
    local f
    [ -f data1.txt ] || return 1
    for f in $exports; do
        grep -q "^Can't open file .*/$f,error=" "$work/kestrum.log" || return 1
    done
}
changed() {
    [ -f "$1" ] && ! cmp -s "$1" "$work/before/$1"
}
all_exports_changed() {
    local f
    for f in $exports; do changed "$f" || return 1; done
}
# The lottery options' places in the window, in dialog units: x y width height.
declare -A option_units=(
    [1]="16 110 57 15" [2]="88 110 57 15" [3]="163 110 61 15" [4]="240 109 54 18"
    [5]="310 108 56 20" [6]="310 140 55 16" [7]="17 139 58 16" [8]="88 139 58 16"
    [9]="162 139 54 17" [10]="238 142 52 13")
# Sets $window to the main window's id, when it is shown.
main_window() {
    window=$(xdotool search --name 'Varnel' 2> /dev/null | head -n 1)
    [ -n "$window" ]
}
# Clicks lottery $1's option, on its caption. The window is 663 × 463 dialog units whatever its
# font: its size in pixels gives the scale.
click_lottery() {
    local window="" x y w h
    wait_for 20 main_window || return 1
    eval "$(xdotool getwindowgeometry --shell "$window")"
    read -r x y w h <<< "${option_units[$1]}"
    xdotool mousemove --window "$window" $(((x + 20) * WIDTH / 663)) \
        $(((y + h / 2) * HEIGHT / 463)) click 1
    log "clicked lottery $1 in a window of $WIDTH x $HEIGHT"
}

started=$(date +%s.%N)
"$bin_dir/kestrum" --config "$settings_file" "${feedsim_addresses[@]}" > "$work/kestrum.log" 2>&1 &
pid=$!
if [ -n "$unwritable_exports" ]; then
    wait_for 60 all_refused
else
    wait_for 60 all_written
fi
ready=$(date +%s.%N)
awk -v a="$started" -v b="$ready" 'BEGIN { printf "first report after %.2f s\n", b - a }' \
    > "$artifacts/timing.txt"
sleep 3
if [ -n "$switch_to" ]; then
    import -window root "$artifacts/kestrum-e2e-startup.png"
    mkdir "$work/before"
    cp data1.txt $exports "$work/before/" 2> /dev/null
    click_lottery "$switch_to"
    wait_for 60 changed data1.txt && log "data1.txt changed"
    if [ -n "$next_feed" ]; then
        # Each file replaced whole, so that the server never serves half of one.
        (cd "$case_dir/$next_feed" && find . -type f) | while read -r f; do
            cp "$case_dir/$next_feed/$f" "$work/feed/$f.new"
            mv "$work/feed/$f.new" "$work/feed/$f"
        done
        log "feed replaced by $next_feed"
        wait_for 60 all_exports_changed && log "export files rewritten"
    fi
    # The lottery's plans are computed after its draws are stored.
    sleep 3
fi
import -window root "$artifacts/kestrum-e2e.png"
if kill -0 $pid 2> /dev/null; then
    log "still running"
    kill $pid
fi
wait $pid 2> /dev/null
exit 0
INSIDE
export work files exports bin_dir artifacts case_dir switch_to next_feed unwritable_exports \
    settings_file
feedsim_address_line="${feedsim_addresses[*]}"
# An array cannot be exported: the inside script splits it again.
sed -i "1i feedsim_addresses=($feedsim_address_line)" "$work/inside.sh"
xvfb-run -a -s "-screen 0 1280x800x24" bash "$work/inside.sh"

status=0
cp "$work/kestrum.log" "$artifacts/kestrum.log"
cat "$work/steps.log" 2> /dev/null || true
grep -qx "still running" "$work/steps.log" || { echo "the program did not keep running"; status=1; }
grep -q "^timed out" "$work/steps.log" && status=1
for f in $files; do
    if [ -e "$case_dir/expected/$f" ]; then
        if ! cmp "$work/app/$f" "$case_dir/expected/$f"; then
            echo "differs: $f"
            status=1
        fi
    elif [ ! -d "$work/app/$f" ] || [ -n "$(ls -A "$work/app/$f")" ]; then
        echo "written although it cannot be: $f"
        status=1
    fi
done
# Every export file ends with the promotional text.
promo=$(printf '%s' "注册充值后还送自动投注软件哦,再也不用一期一期地投注了!" | iconv -f UTF-8 -t GBK | od -An -tx1 | tr -d ' \n')
for f in $exports; do
    [ -f "$work/app/$f" ] || continue
    tail_hex=$(tail -c 200 "$work/app/$f" | od -An -tx1 | tr -d ' \n')
    case "$tail_hex" in
        *"$promo") ;;
        *) echo "no promotional text at the end of $f"; status=1 ;;
    esac
done
cat "$artifacts/timing.txt"
[ -s "$artifacts/kestrum-e2e.png" ] || { echo "no screenshot"; status=1; }
exit $status
