#!/usr/bin/env bash
# kestrum-cli watch against the local feed server. One lottery, at the fixed period and started
# while its feed host is down, says so and loads its draws at a refresh once the host is up, and
# counts its requests when stopped; it writes straight into the data folder, and goes on without
# the promotional text when the web host cannot be reached. With --all (refreshing when draws
# are due) each of the ten lotteries fills its own folder with data1.txt (the feed's newest
# draw) and the nine export files; a 分分彩 takes the feed's next draw within a period of it;
# SIGTERM, sent just as that draw arrives, ends the program with status 0 and leaves every file
# whole, the export files written after the draw. The feed server draws every minute for the
# 1440-a-day lotteries and a failed start-up pauses 15 s between its attempts, so this takes up
# to about two minutes. "Within a second" is asserted as under 3 s: the test build runs under
# sanitizers.
# KESTRUM_STOP_SIGNAL names the stop request (TERM; INT for a Windows program under Wine, which
# takes it as Ctrl+C).
# Usage: watch_all.sh KESTRUM_CLI KESTRUM_FEEDSIM
set -uo pipefail
cli=$1
feedsim=$2
source "$(dirname "${BASH_SOURCE[0]}")/../../../scripts/feedsim-start.sh"

work=$(mktemp -d)
watch_pid=""
feedsim_pid=""
cleanup() {
    [ -n "$watch_pid" ] && kill -9 "$watch_pid" 2> /dev/null
    feedsim_stop
    rm -rf "$work"
}
trap cleanup EXIT
log=/dev/null
fail() { echo "FAILED: $*"; echo "--- watch's standard error:"; cat "$log"; exit 1; }

# The ports of a feed server that has stopped: nothing answers there until it runs again.
feedsim_start "$feedsim" "$work/feedsim.log" --web-port 0 --feed1-port 0 --feed2-port 0 || exit 1
feedsim_stop
down=("${feedsim_addresses[@]}")
# Each folder: its feed's host and path.
declare -A feed=([cq]="1 /ssckj/cq.txt" [jx]="2 /ssckj/jx.txt" [xj]="1 /ssckj/xj.txt"
                 [tj]="2 /ssckj/tj.txt" [dbwfc]="2 /dbwfc.txt" [dbffc]="2 /dbffc.txt"
                 [ynffc]="1 /ynffc.txt" [hnffc]="1 /hnffc.txt" [tlffc]="1 /tlffc.txt"
                 [xgffc]="1 /xgffc.txt")
exports="geweizd.txt h2zd.txt shiweizd.txt baiweizd.txt qianweizd.txt wanweizd.txt h3zd.txt
         h3bzd.txt h5bzd.txt"

# The first lines of a folder's feed, newest first.
feed_lines() {
    local entry
    read -r -a entry <<< "${feed[$1]}"
    curl -s --max-time 5 "${host[${entry[0]}]}${entry[1]}" | head -n "$2"
}

# Every file of the folder whole: data1.txt a draw line, each export file GBK that ends with
# $promo_end (hexadecimal; may be empty), and no temporary file of a write left behind.
check_folder() {
    local dir=$work/$1 file line
    line=$(cat "$dir/data1.txt" 2> /dev/null)
    [[ $line =~ ^[0-9]{11,12}\ [0-9],[0-9],[0-9],[0-9],[0-9]$ ]] || fail "$1/data1.txt holds '$line'"
    for file in $exports; do
        [ -s "$dir/$file" ] || fail "$1/$file is missing or empty"
        iconv -f GBK -t UTF-8 "$dir/$file" > /dev/null 2>&1 || fail "$1/$file is no GBK text"
        [ "$(od -An -tx1 "$dir/$file" | tr -d ' \n' | tail -c "${#promo_end}")" = "$promo_end" ] ||
            fail "$1/$file does not end with the promotional text"
    done
    [ -z "$(find "$dir" -name '.*.tmp')" ] || fail "a write was left unfinished in $1: $(ls -a "$dir")"
}

: > "$work/empty.toml"
mkdir "$work/home"
# watch_start LOG OPTIONS...: kestrum-cli with these options, reading no settings file.
watch_start() {
    log=$1
    shift
    env -u XDG_CONFIG_HOME HOME="$work/home" "$cli" --config "$work/empty.toml" "$@" 2> "$log" &
    watch_pid=$!
}
# wait_started COUNT: until COUNT lotteries have started; the start-up of each, with its
# search, takes well under a minute even under sanitizers.
wait_started() {
    for _ in $(seq 600); do
        [ "$(grep -c ': start-up done: ' "$log")" -eq "$1" ] && return
        kill -0 "$watch_pid" 2> /dev/null || fail "watch ended at start"
        sleep 0.1
    done
    fail "$(grep -c ': start-up done: ' "$log") of $1 lotteries started"
}
stop_signal=${KESTRUM_STOP_SIGNAL:-TERM}
watch_stop() {
    kill -"$stop_signal" "$watch_pid"
    wait "$watch_pid"
    status=$?
    watch_pid=""
}

watch_start "$work/one.txt" --web-host http://127.0.0.1:1 --feed-host-1 "${down[3]}" \
    --feed-host-2 "${down[5]}" watch --lottery hnffc --fixed-period --data-dir "$work/one"
for _ in $(seq 300); do
    grep -q ' hnffc [^ ]*: start-up failed (.*), retrying every 10 s$' "$log" && break
    sleep 0.1
done
grep -q ' hnffc [^ ]*: start-up failed' "$log" || fail "no word that the start-up failed"
grep -q ' hnffc [^ ]*: download failed (.*), trying again in 1 s$' "$log" ||
    fail "no word of the first retry"
# The feed server again, on the same ports: the first refresh loads the draws.
feedsim_start "$feedsim" "$work/feedsim.log" --web-port 0 --feed1-port "${down[3]##*:}" \
    --feed2-port "${down[5]##*:}" || exit 1
web_host=${feedsim_addresses[1]}
declare -A host=([1]=${feedsim_addresses[3]} [2]=${feedsim_addresses[5]})
for _ in $(seq 300); do
    grep -q ' hnffc [^ ]*: draws loaded: 30 draws stored, newest ' "$log" && break
    sleep 0.1
done
watch_stop
[ "$status" -eq 0 ] || fail "status $status after SIG$stop_signal"
grep -q ' hnffc [^ ]*: draws loaded: ' "$log" || fail "the refresh loaded no draw"
grep -q ' hnffc [^ ]*: [0-9]* requests, [0-9]* answered not modified$' "$log" ||
    fail "no count of the requests at the stop"
[ -z "$(find "$work/one" -mindepth 1 -type d)" ] || fail "one lottery made a folder: $(ls "$work/one")"
promo_end=""
check_folder one
feed_lines hnffc 2 | grep -qxF "$(cat "$work/one/data1.txt")" ||
    fail "one/data1.txt holds no newest draw of its feed"
grep -q ' watch: the promotional line cannot be fetched from http://127.0.0.1:1' "$log" ||
    fail "no word that the promotional line cannot be fetched"
! grep -q "推荐注册地址" <(iconv -f GBK -t UTF-8 "$work/one/h5bzd.txt") ||
    fail "a promotional text without a web host"

watch_start "$work/all.txt" "${feedsim_addresses[@]}" watch --all --data-dir "$work/data"
wait_started 10
# The end of every export file when the web host answers: its promotional text, as GBK.
promo_end=$(printf '%s' "$web_host/promo.html注册充值后还送自动投注软件哦,再也不用一期一期地投注了!" |
    iconv -f UTF-8 -t GBK | od -An -tx1 | tr -d ' \n')
for folder in "${!feed[@]}"; do
    check_folder "data/$folder"
    # The newest draw, or the one before when the feed drew in between.
    feed_lines "$folder" 2 | grep -qxF "$(cat "$work/data/$folder/data1.txt")" ||
        fail "$folder/data1.txt holds no newest draw of its feed"
    grep -q "^[0-9-]* [0-9:]*\.[0-9]\{3\} $folder [^ ]*: start-up done: 30 draws stored, newest " "$log" ||
        fail "no start-up line of $folder"
done
[ "$(ls "$work/data" | wc -l)" -eq 10 ] || fail "folders other than the ten: $(ls "$work/data")"

# The next draw comes within a minute, and the refresh takes it within 10 s of that.
before=$(cat "$work/data/ynffc/data1.txt")
after=$before
for _ in $(seq 1800); do
    after=$(cat "$work/data/ynffc/data1.txt")
    [ "$after" != "$before" ] && break
    sleep 0.05
done
# Stopped as the files of the new draw are being written.
stopped_at=$(date +%s%N)
watch_stop
took_ms=$((($(date +%s%N) - stopped_at) / 1000000))
[ "$after" != "$before" ] || fail "ynffc took no new draw in 90 s (still $before)"
[ "$status" -eq 0 ] || fail "status $status after SIG$stop_signal"
[ "$took_ms" -lt 3000 ] || fail "SIG$stop_signal took $took_ms ms"

feed_lines ynffc 2 | grep -qxF "$after" || fail "ynffc/data1.txt holds $after, not the feed's newest"
# The draw after the one before: the next period, or the first of the next day.
period=${before:8:4}
expected=${before:0:8}$(printf '%04d' $((10#$period + 1)))
[ "$period" = 1440 ] && expected=$(date -d "${before:0:8} + 1 day" +%Y%m%d)0001
[ "${after%% *}" = "$expected" ] || fail "ynffc went from $before to $after"
grep -q " ynffc [^ ]*: new draw $after\$" "$log" || fail "no log line of the new draw"
for folder in "${!feed[@]}"; do
    check_folder "data/$folder"
done
for file in $exports; do
    [ ! "$work/data/ynffc/$file" -ot "$work/data/ynffc/data1.txt" ] ||
        fail "ynffc/$file was not written after the new draw"
done
echo "ok: ten folders; ynffc $before -> $after; SIG$stop_signal took $took_ms ms"
