#!/usr/bin/env bash
# The real program under Xvfb against the local feed server serving a case's fixed files:
# "data1.txt" and the nine export files must equal, byte for byte, the case's committed
# expected/ files. A screenshot of the window is kept in the artifact folder.
# Usage: run_e2e.sh BIN_DIR CASE_DIR ARTIFACT_DIR   (CASE_DIR holds feed/ and expected/)
set -euo pipefail
bin_dir=$1
case_dir=$2
artifacts=$3
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/feedsim-start.sh"

work=$(mktemp -d)
mkdir -p "$artifacts" "$work/app"
feedsim_pid=""
cleanup() {
    feedsim_stop
    rm -rf "$work"
}
trap cleanup EXIT

# The feed server on free ports; the program is pointed at them, and reads no settings file.
feedsim_start "$bin_dir/kestrum-feedsim" "$work/feedsim.log" --files "$case_dir/feed" \
    --web-port 0 --feed1-port 0 --feed2-port 0 || exit 1
: > "$work/none.toml"

files="data1.txt geweizd.txt h2zd.txt shiweizd.txt baiweizd.txt qianweizd.txt wanweizd.txt h3zd.txt h3bzd.txt h5bzd.txt"

# Inside the virtual display: start the program, wait for its files, take the screenshot.
cat > "$work/inside.sh" <<INSIDE
set -u
cd "$work/app"
started=\$(date +%s.%N)
"$bin_dir/kestrum" --config "$work/none.toml" ${feedsim_addresses[*]} > "$work/kestrum.log" 2>&1 &
pid=\$!
for _ in \$(seq 600); do
    missing=0
    for f in $files; do [ -e "\$f" ] || missing=1; done
    [ \$missing -eq 0 ] && break
    sleep 0.1
done
ready=\$(date +%s.%N)
awk -v a="\$started" -v b="\$ready" 'BEGIN { printf "first report after %.2f s\\n", b - a }' > "$artifacts/timing.txt"
sleep 3
import -window root "$artifacts/kestrum-e2e.png"
kill \$pid
wait \$pid 2>/dev/null
exit 0
INSIDE
xvfb-run -a -s "-screen 0 1280x800x24" bash "$work/inside.sh"

status=0
for f in $files; do
    if ! cmp "$work/app/$f" "$case_dir/expected/$f"; then
        echo "differs: $f"
        status=1
    fi
done
# Every export file ends with the promotional text.
promo=$(printf '%s' "注册充值后还送自动投注软件哦,再也不用一期一期地投注了!" | iconv -f UTF-8 -t GBK | od -An -tx1 | tr -d ' \n')
for f in $files; do
    [ "$f" = data1.txt ] && continue
    tail_hex=$(tail -c 200 "$work/app/$f" | od -An -tx1 | tr -d ' \n')
    case "$tail_hex" in
        *"$promo") ;;
        *) echo "no promotional text at the end of $f"; status=1 ;;
    esac
done
cat "$artifacts/timing.txt"
[ -s "$artifacts/kestrum-e2e.png" ] || { echo "no screenshot"; status=1; }
exit $status
