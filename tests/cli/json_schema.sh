#!/usr/bin/env bash
# kestrum-cli's JSON follows its committed schemas: plan (every play type, a replay, and a feed
# of lines that are no draws), search and evaluate.
# Usage: json_schema.sh KESTRUM_CLI SCHEMA_DIR FEED_FILE PYTHON
set -uo pipefail
cli=$1
schemas=$2
feed=$3
python=$4
check="$(dirname "${BASH_SOURCE[0]}")/check_schema.py"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
: > "$work/none.toml"
printf 'no draw\n\n\xff\xfe\n12345\n' > "$work/garbage.txt"
failures=0

# check NAME SCHEMA ARGUMENTS...: runs kestrum-cli with ARGUMENTS and checks its output.
check() {
    local name=$1 schema=$2
    shift 2
    if ! "$cli" --config "$work/none.toml" "$@" > "$work/$name.json" 2> "$work/$name.err"; then
        echo "FAILED: kestrum-cli $*"
        cat "$work/$name.err"
        failures=$((failures + 1))
        return
    fi
    "$python" "$check" "$schemas/$schema" "$work/$name.json" || failures=$((failures + 1))
}

check plan plan.schema.json plan --feed "$feed" --format json
check plan-one plan.schema.json plan --play h3b --feed "$feed" --format json
check plan-replay plan.schema.json plan --play q3 --replay --feed "$feed" --format json
check plan-garbage plan.schema.json plan --feed "$work/garbage.txt" --format json
for play in h1 h5b q3; do
    check "search-$play" search.schema.json search --play "$play" --codes 3 --periods 4 \
        --feed "$feed" --format json
done
check evaluate evaluate.schema.json evaluate --window 10 --feed "$feed" --format json
check evaluate-one evaluate.schema.json evaluate --play h5b --codes 3 --periods 2 --feed "$feed" \
    --format json
# The checker finds a document that does not follow the schema.
if "$python" "$check" "$schemas/search.schema.json" "$work/plan.json" > /dev/null; then
    echo "FAILED: plan's JSON passed as search's"
    failures=$((failures + 1))
fi

[ "$failures" -eq 0 ] && echo "ok: the JSON follows the schemas"
exit "$failures"
