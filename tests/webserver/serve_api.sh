#!/usr/bin/env bash
# kestrum-cli serve against the local feed server serving the end-to-end case's files: its API
# answers with kestrum-cli's own JSON for the same draws, a formula chosen rewrites the export
# files, and every rule of its guard holds: the Host header, cross-site requests, the body's
# size and shape, the security headers, loopback only without a password, and over TLS the
# login, its cookie and the ban after five failures.
# Usage: serve_api.sh BIN_DIR CASE_DIR
set -uo pipefail
bin_dir=$1
case_dir=$2
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/feedsim-start.sh"

work=$(mktemp -d)
feedsim_pid=""
serve_pid=""
failures=0
stop_serve() {
    if [ -n "$serve_pid" ]; then
        kill "$serve_pid" 2> /dev/null || true
        wait "$serve_pid" 2> /dev/null || true
        serve_pid=""
    fi
}
cleanup() {
    stop_serve
    feedsim_stop
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "FAILED: $*"
    failures=$((failures + 1))
}

feedsim_start "$bin_dir/kestrum-feedsim" "$work/feedsim.log" --files "$case_dir/feed" \
    --web-port 0 --feed1-port 0 --feed2-port 0 || exit 1
: > "$work/none.toml"
cli() {
    "$bin_dir/kestrum-cli" "${feedsim_addresses[@]}" "$@"
}

# start_serve LOG ARGS...: starts serve, waits for its "web interface is at" line and sets $url.
start_serve() {
    local log=$1
    shift
    # The program itself in the background, not a function's subshell: $! must be its own pid,
    # which stop_serve ends.
    "$bin_dir/kestrum-cli" "${feedsim_addresses[@]}" "$@" 2> "$log" > /dev/null &
    serve_pid=$!
    url=""
    for _ in $(seq 300); do
        url=$(sed -n 's/.*serve: the web interface is at \(http[s]*:\/\/[^ ]*\)$/\1/p' "$log")
        [ -n "$url" ] && return 0
        if ! kill -0 "$serve_pid" 2> /dev/null; then
            echo "serve ended before it was ready:"
            cat "$log"
            serve_pid=""
            return 1
        fi
        sleep 0.1
    done
    echo "serve was not ready after 30 s:"
    cat "$log"
    return 1
}

start_serve "$work/serve.log" --config "$work/none.toml" serve --lottery cq \
    --listen 127.0.0.1:0 --fixed-period --data-dir "$work/data" || exit 1
origin=${url%/}
# The lottery is in once its page is published.
for _ in $(seq 600); do
    curl -s "${url}api/lotteries" | grep -q '"loaded":true' && break
    kill -0 "$serve_pid" 2> /dev/null || { cat "$work/serve.log"; exit 1; }
    sleep 0.1
done

# --- The API answers with kestrum-cli's JSON for the same draws.
curl -s "${url}api/lotteries/cq/plan" > "$work/plan.api"
cli --config "$work/none.toml" plan --lottery cq --format json > "$work/plan.cli"
cmp -s "$work/plan.api" "$work/plan.cli" || fail "GET plan differs from kestrum-cli plan --format json"

curl -s "${url}api/lotteries" | python3 -c '
import json, sys
for line in json.load(sys.stdin)["lotteries"][0]["draw_lines"]:
    print(line)' > "$work/stored.txt"
[ "$(wc -l < "$work/stored.txt")" -eq 30 ] || fail "the overview does not list the 30 stored draws"
curl -s "${url}api/lotteries/cq/evaluate" > "$work/evaluate.api"
cli --config "$work/none.toml" evaluate --feed "$work/stored.txt" --format json > "$work/evaluate.cli"
# The server's JSON is the same writer's, without the indentation of the command line.
python3 -c 'import json,sys; sys.exit(json.load(open(sys.argv[1])) != json.load(open(sys.argv[2])))' \
    "$work/evaluate.api" "$work/evaluate.cli" || fail "GET evaluate differs from kestrum-cli evaluate"

post() { # post PATH BODY [curl options...]
    local path=$1 body=$2
    shift 2
    curl -s -o "$work/answer" -w '%{http_code}' -X POST -H "Content-Type: application/json" \
        --data-binary "$body" "$@" "${url}${path#/}"
}
[ "$(post api/lotteries/cq/search '{"play":"h1","code_count":5,"plan_periods":3}' \
    -H "Origin: $origin")" = 200 ] || fail "the search was not answered"
cli --config "$work/none.toml" search --lottery cq --play h1 --codes 5 --periods 3 --format json \
    > "$work/search.cli"
cmp -s "$work/answer" "$work/search.cli" || fail "POST search differs from kestrum-cli search"

cp "$work/data/geweizd.txt" "$work/geweizd.before"
[ "$(post api/lotteries/cq/formula '{"play":"h1","formula":7}' -H "Origin: $origin")" = 200 ] ||
    fail "the formula was not taken"
python3 -c 'import json,sys; sys.exit(json.load(open(sys.argv[1]))["plays"][0]["formula"] != 7)' \
    "$work/answer" || fail "the answer to the formula does not show formula 7 for 后一"
cmp -s "$work/data/geweizd.txt" "$work/geweizd.before" && fail "geweizd.txt was not rewritten"
curl -s "${url}api/lotteries/cq/plan" | cmp -s - "$work/answer" ||
    fail "the plan after the formula is not the one the answer gave"

# --- The guard.
status() { # status CURL_ARGUMENTS...: the status code of a request
    curl -s -o "$work/answer" -w '%{http_code}' "$@"
}
[ "$(status -H "Host: rebind.example:${origin##*:}" "${url}api/lotteries")" = 421 ] ||
    fail "a foreign Host header was served"
[ "$(status -H "Host: 127.0.0.1:1" "${url}api/lotteries")" = 421 ] ||
    fail "a Host header with another port was served"
search='{"play":"h1","code_count":5,"plan_periods":3}'
[ "$(post api/lotteries/cq/search "$search")" = 403 ] || fail "a POST without Origin was taken"
[ "$(post api/lotteries/cq/search "$search" -H "Origin: http://evil.example")" = 403 ] ||
    fail "a cross-site POST was taken"
[ "$(post api/lotteries/cq/search "$search" -H "Origin: $origin" -H "Sec-Fetch-Site: cross-site")" = 403 ] ||
    fail "a POST that the browser calls cross-site was taken"
head -c 70000 /dev/zero | tr '\0' ' ' > "$work/big"
[ "$(post api/lotteries/cq/search @"$work/big" -H "Origin: $origin")" = 413 ] ||
    fail "a body over 64 KiB was taken"
for bad in 'not json' '[]' '{"play":"h9","code_count":5,"plan_periods":3}' \
    '{"play":"h1","code_count":10,"plan_periods":3}' '{"play":"h1","code_count":5,"plan_periods":0}' \
    '{"play":"h1","code_count":"5","plan_periods":3}'; do
    [ "$(post api/lotteries/cq/search "$bad" -H "Origin: $origin")" = 400 ] ||
        fail "the search body $bad was not refused with 400"
    grep -q '"error"' "$work/answer" || fail "the refusal of $bad says nothing"
done
[ "$(post api/lotteries/cq/formula '{"play":"h1","formula":0}' -H "Origin: $origin")" = 400 ] ||
    fail "formula 0 was taken"
[ "$(status "${url}api/lotteries/zz/plan")" = 404 ] || fail "an unknown lottery was answered"
[ "$(status "${url}static/")" = 404 ] || fail "the static folder was listed"
[ "$(status --path-as-is "${url}static/../../etc/passwd")" = 404 ] || fail "a path out of the static files was served"
curl -s -D "$work/headers" -o /dev/null "$url"
grep -qi "^Content-Security-Policy: .*script-src 'self'" "$work/headers" || fail "no Content-Security-Policy"
grep -qi "unsafe-inline" "$work/headers" && fail "the policy allows inline script or style"
grep -qi '^X-Frame-Options: DENY' "$work/headers" || fail "framing is not refused"
# Event streams take a thread each: past 256 they are refused, and their places come back.
streams=()
for _ in $(seq 256); do
    curl -s -N "${url}api/events" > /dev/null &
    streams+=($!)
done
refused=""
for _ in $(seq 100); do
    refused=$(status -m 2 "${url}api/events")
    [ "$refused" = 503 ] && break
    sleep 0.2
done
[ "$refused" = 503 ] || fail "a 257th event stream was not refused (got $refused)"
[ "$(status "${url}api/lotteries")" = 200 ] || fail "the API did not answer beside 256 event streams"
kill "${streams[@]}" 2> /dev/null
wait "${streams[@]}" 2> /dev/null
again=""
for _ in $(seq 100); do
    again=$(status -m 1 "${url}api/events")
    [ "$again" = 200 ] && break
    sleep 0.2
done
[ "$again" = 200 ] || fail "the places of closed event streams did not come back (got $again)"
stop_serve

# --- Beyond loopback only with a password and TLS.
cli --config "$work/none.toml" serve --lottery cq --listen 0.0.0.0:0 > /dev/null 2> "$work/refused.log"
[ $? -eq 2 ] || fail "serve --listen 0.0.0.0 without a password started"
grep -q "needs web_password_hash, web_tls_cert and web_tls_key" "$work/refused.log" ||
    fail "the refusal does not say what is needed"

openssl req -x509 -newkey rsa:2048 -nodes -days 1 -subj /CN=127.0.0.1 \
    -keyout "$work/key.pem" -out "$work/cert.pem" 2> /dev/null || fail "no test certificate"
printf 'web_tls_cert = "%s"\nweb_tls_key = "%s"\n' "$work/cert.pem" "$work/key.pem" > "$work/tls.toml"
printf 'right password\nright password\n' | cli --config "$work/tls.toml" passwd > /dev/null ||
    fail "passwd did not write the hash"
grep -q '^web_password_hash = "\$argon2id\$' "$work/tls.toml" || fail "no Argon2id hash in the settings"
grep -q "right password" "$work/tls.toml" && fail "the password itself is in the settings"
start_serve "$work/tls.log" --config "$work/tls.toml" serve --lottery cq --listen 0.0.0.0:0 \
    --fixed-period --data-dir "$work/data-tls" || exit 1
case "$url" in https://*) ;; *) fail "serve beyond loopback is not on https: $url" ;; esac
origin=${url%/}
[ "$(status -k "${url}api/lotteries")" = 401 ] || fail "the API answered without a login"
[ "$(status -k "$url")" = 200 ] || fail "the page itself (which asks for the login) was not served"
login() { post api/login "{\"password\":\"$1\"}" -k -H "Origin: $origin" -D "$work/login.headers"; }
[ "$(login 'wrong password')" = 401 ] || fail "a wrong password was not refused"
[ "$(login 'right password')" = 200 ] || fail "the right password was refused"
cookie=$(sed -n 's/^Set-Cookie: \(kestrum_session=[0-9a-f]*\);.*/\1/Ip' "$work/login.headers" | tr -d '\r')
grep -i '^Set-Cookie:' "$work/login.headers" | grep -qi 'HttpOnly' || fail "the session cookie is not HttpOnly"
grep -i '^Set-Cookie:' "$work/login.headers" | grep -qi 'SameSite=Strict' || fail "the session cookie is not SameSite=Strict"
grep -i '^Set-Cookie:' "$work/login.headers" | grep -qi 'Secure' || fail "the session cookie is not Secure"
[ "$(status -k -H "Cookie: $cookie" "${url}api/lotteries")" = 200 ] || fail "the session was not taken"
[ "$(status -k -H "Cookie: kestrum_session=0123" "${url}api/lotteries")" = 401 ] || fail "a made-up session was taken"
for _ in 1 2 3 4 5; do login 'wrong again' > /dev/null; done
[ "$(login 'right password')" = 429 ] || fail "five failed logins did not refuse the address"
[ "$(status "http://${url#https://}api/lotteries")" = 000 ] || fail "plain HTTP was answered on the TLS port"
stop_serve

# --- A lottery whose feed holds no draw yet: what needs its draws is answered 503 in words.
feedsim_stop
cp -r "$case_dir/feed" "$work/empty-feed"
: > "$work/empty-feed/feed1/ssckj/cq.txt"
feedsim_start "$bin_dir/kestrum-feedsim" "$work/feedsim-empty.log" --files "$work/empty-feed" \
    --web-port 0 --feed1-port 0 --feed2-port 0 || exit 1
start_serve "$work/empty.log" --config "$work/none.toml" serve --lottery cq \
    --listen 127.0.0.1:0 --fixed-period --data-dir "$work/data-empty" || exit 1
origin=${url%/}
for request in "search {\"play\":\"h1\",\"code_count\":5,\"plan_periods\":3}" \
    "formula {\"play\":\"h1\",\"formula\":7}"; do
    [ "$(post "api/lotteries/cq/${request%% *}" "${request#* }" -H "Origin: $origin")" = 503 ] &&
        grep -q '"error":"the lottery.s draws are not loaded yet"' "$work/answer" ||
        fail "POST ${request%% *} before the draws are loaded: $(cat "$work/answer")"
done
stop_serve

[ "$failures" -eq 0 ] && echo "ok: serve answers as kestrum-cli does and its guard holds"
exit "$failures"
