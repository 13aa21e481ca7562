#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# kelvor-cli download from the simulated meter, then sets and export of the result.
set -u
bin="$1"
cli="$bin/kelvor-cli"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

"$cli" --meter=sim download -o "$work/demo.ch4" >"$work/out" 2>"$work/err" || fail "download exit $?: $(cat "$work/err")"
grep -q "bytes received" "$work/err" || fail "no progress on stderr"
[ $(( $(stat -c %s "$work/demo.ch4") % 32 )) -eq 0 ] || fail "a download is whole blocks"
sets=$("$cli" sets --iso "$work/demo.ch4") || fail "sets exit $?"
[ -n "$sets" ] || fail "no data set listed"
n=$(echo "$sets" | head -1 | cut -f5)
lines=$("$cli" export --iso "$work/demo.ch4" --set 1 | wc -l)
[ "$lines" -eq "$n" ] || fail "export gave $lines lines for $n samples"

"$cli" --meter=sim:memory=erased download -o "$work/none.ch4" >/dev/null 2>"$work/err"
[ $? -eq 1 ] || fail "an erased meter must exit 1"
grep -q "There was not any data recorded in momery of meter !" "$work/err" || fail "erased: $(cat "$work/err")"
[ -e "$work/none.ch4" ] && fail "an erased meter must write no file"

"$cli" --meter=sim download 2>/dev/null
[ $? -eq 2 ] || fail "download without -o must exit 2"
echo "ok"
