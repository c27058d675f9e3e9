#!/usr/bin/env bash
# kestrum-cli source check against the local feed server: a lottery mapped to its JSON feed and
# one mapped to its CSV feed read as the plain feed gives them; a --feed file with more records
# left out than are listed; a body that is not draws and one draw alone fail; the JSON follows
# its schema.
# Usage: source_check.sh BIN_DIR SCHEMA_DIR PYTHON
set -uo pipefail
bin_dir=$1
schemas=$2
python=$3
check_schema="$(dirname "${BASH_SOURCE[0]}")/check_schema.py"
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/feedsim-start.sh"

work=$(mktemp -d)
feedsim_pid=""
cleanup() {
    feedsim_stop
    rm -rf "$work"
}
trap cleanup EXIT

feedsim_start "$bin_dir/kestrum-feedsim" "$work/feedsim.log" \
    --web-port 0 --feed1-port 0 --feed2-port 0 || exit 1
web=${feedsim_addresses[1]}
feed1=${feedsim_addresses[3]}
feed2=${feedsim_addresses[5]}
cat > "$work/sources.toml" << TOML
web_host = "$web"
feed_host_1 = "$feed1"
feed_host_2 = "$feed2"

[sources.cq]
url = "$feed1/ssckj/cq.json"
format = "json"
records = "/data"
period = "expect"
digits = "opencode"

[sources.tj]
url = "$feed2/ssckj/tj.csv"
format = "csv"
period = "issue"
digits = "code"
TOML

failures=0
fail() {
    echo "FAILED: $*"
    failures=$((failures + 1))
}

cli() {
    "$bin_dir/kestrum-cli" --config "$work/sources.toml" "$@"
}

# The mapped feed reads as the plain one: the same count and the same newest five lines. A draw
# may come between the two fetches: then the plain feed is fetched again and all is retried.
same_as_plain() {
    local lottery=$1 plain=$2 name=$3 format=$4
    local attempt
    for attempt in 1 2; do
        curl -sf "$plain" | tr -d '\r' > "$work/plain-before" || { fail "curl $plain"; return; }
        cli source check --lottery "$lottery" > "$work/$name.txt" 2> "$work/$name.err"
        local status=$?
        curl -sf "$plain" | tr -d '\r' > "$work/plain-after"
        if cmp -s "$work/plain-before" "$work/plain-after"; then
            break
        fi
    done
    local count
    count=$(grep -c . "$work/plain-before")
    {
        echo "source: sources.$name, format $format, address ${plain%.txt}.$format"
        echo "records: $count, draws: $count, left out: 0, repeated periods dropped: 0"
        echo "newest draws:"
        head -n 5 "$work/plain-before" | sed 's/^/  /'
        echo "periods: $(tail -n 1 "$work/plain-before" | cut -d' ' -f1) to $(head -n 1 "$work/plain-before" | cut -d' ' -f1), 0 missing"
    } > "$work/$name.expected"
    [ "$status" -eq 0 ] || fail "source check --lottery $lottery ended with $status: $(cat "$work/$name.err")"
    diff "$work/$name.expected" "$work/$name.txt" || fail "source check --lottery $lottery"
}
same_as_plain 1 "$feed1/ssckj/cq.txt" cq json
same_as_plain tj "$feed2/ssckj/tj.txt" tj csv

# 25 records left out among 3 draws: the first 20 listed, then how many more; a repeated period.
{
    printf '{"data":['
    for i in $(seq 25); do printf '{"expect":"20161210-%03d","opencode":"1,2"},' "$i"; done
    printf '{"expect":"20161210-030","opencode":"1,2,3,4,5"},'
    printf '{"expect":"20161210-030","opencode":"9,9,9,9,9"},'
    printf '{"expect":"161210033","opencode":"0 1 2 3 4"},'
    printf '{"expect":"2016-12-10-031","opencode":"5,6,7,8,9"}]}'
} > "$work/refused.json"
cli source check --feed "$work/refused.json" > "$work/refused.txt" 2> "$work/refused.err" ||
    fail "source check of refused.json: $(cat "$work/refused.err")"
grep -q '^records: 29, draws: 3, left out: 25, repeated periods dropped: 1$' "$work/refused.txt" ||
    fail "the counts of refused.json: $(cat "$work/refused.txt")"
[ "$(grep -c '^  record [0-9]*: ' "$work/refused.txt")" -eq 20 ] || fail "20 refusals listed"
grep -q '^  record 20: ' "$work/refused.txt" || fail "the 20th refusal"
grep -q '^  and 5 more$' "$work/refused.txt" || fail "and 5 more"
[ "$(sed -n '/^newest draws:/,/^left out:/p' "$work/refused.txt")" = "newest draws:
  20161210033 0,1,2,3,4
  20161210031 5,6,7,8,9
  20161210030 1,2,3,4,5
left out:" ] || fail "the newest draws of refused.json: $(cat "$work/refused.txt")"
grep -q '^periods: 20161210030 to 20161210033, 1 missing$' "$work/refused.txt" ||
    fail "the span of refused.json"

# What is not draws, and one draw alone, fail with status 1.
printf '<!DOCTYPE html><html><body>maintenance</body></html>' > "$work/page.json"
printf 'issue,code\n161210001,12345\n' > "$work/one.csv"
expect_failure() {
    local name=$1 text=$2
    shift 2
    cli source check "$@" > "$work/$name.txt" 2> "$work/$name.err"
    local status=$?
    [ "$status" -eq 1 ] || fail "$name ended with $status, not 1"
    grep -qF "$text" "$work/$name.txt" || fail "$name: no \"$text\" in $(cat "$work/$name.txt")"
}
expect_failure page 'not draws: an HTML page' --feed "$work/page.json"
expect_failure one 'records: 1, draws: 1,' --lottery tj --feed "$work/one.csv"
cli source check --feed "$bin_dir/no-such-file.json" > /dev/null 2> "$work/missing.err"
[ $? -eq 1 ] && [ -s "$work/missing.err" ] || fail "a missing --feed file"
cli source check --format yaml > /dev/null 2>&1
[ $? -eq 2 ] || fail "a bad --format is no usage error"

# The JSON follows the schema, drawn or not.
schema() {
    local name=$1
    shift
    cli source check --format json "$@" > "$work/$name.json" 2> /dev/null
    "$python" "$check_schema" "$schemas/source.schema.json" "$work/$name.json" ||
        fail "the JSON of $name"
}
schema json-cq
schema json-tj --lottery tj
schema json-refused --feed "$work/refused.json"
schema json-page --feed "$work/page.json"
schema json-plain --lottery jx
"$python" - "$work/json-refused.json" << 'PY' || fail "the JSON of refused.json"
import json, sys
answer = json.load(open(sys.argv[1]))
assert answer["source"]["file"].endswith("refused.json"), answer["source"]
assert (answer["records"], answer["draws"], answer["refused"], answer["repeated"]) == (29, 3, 25, 1)
assert len(answer["refusals"]) == 20 and answer["more_refusals"] == 5
assert answer["refusals"][0]["record"] == 1
assert answer["span"] == {"oldest": "20161210030", "newest": "20161210033", "missing": 1}
assert answer["not_draws"] is None
PY

[ "$failures" -eq 0 ] && echo "ok: source check reads the sources as the plain feeds"
exit "$failures"
