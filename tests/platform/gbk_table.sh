#!/usr/bin/env bash
# The GBK conversions of this system give exactly the table that Linux's converter gives: the
# SHA-256 of gbk_table's output equals the committed one (written from the Linux program; on
# Windows the program runs under Wine).
# Usage: gbk_table.sh GBK_TABLE_PROGRAM EXPECTED_SHA256_FILE
set -uo pipefail
program=$1
expected=$(cut -d' ' -f1 "$2")
if [[ $program == *.exe ]]; then
    actual=$(wine "$program" | sha256sum | cut -d' ' -f1)
else
    actual=$("$program" | sha256sum | cut -d' ' -f1)
fi
if [ "$actual" != "$expected" ]; then
    echo "FAILED: the GBK table's SHA-256 is $actual, not $expected"
    exit 1
fi
echo "ok: the GBK conversions give the committed table"
