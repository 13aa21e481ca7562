#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# kelvor-cli library list and export on a library with a download and a recording:
# rows that stay whole whatever a name or note holds, and exports that name what they write.
set -u
bin="$1"
cli="$bin/kelvor-cli"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
command -v sqlite3 >/dev/null || { echo "SKIP: sqlite3 is not installed"; exit 77; }
lib() { "$cli" --data-dir "$work/data" library "$@"; }

"$cli" --meter=sim --data-dir "$work/data" download -o "$work/sim.ch4" >/dev/null 2>&1 || fail "download exit $?"
"$cli" --meter=sim --data-dir "$work/data" record --interval 00:00 --count 3 --quiet --name x 2>/dev/null ||
    fail "record exit $?"
sqlite3 "$work/data/kelvor.sqlite" "UPDATE items SET name = 'oven' || char(9) || 'B', note = 'a\\b' || char(10) || 'c'
                                     WHERE id = 2" || fail "sqlite3 update"

# list: one row per item with its eleven fields; tabs, line breaks and backslashes escaped.
lib list >"$work/list" || fail "list exit $?"
python3 - "$work/list" <<'PY' || fail "list read back: $(cat "$work/list")"
import sys
rows = open(sys.argv[1], encoding="utf-8").read().split("\n")
assert rows[-1] == "", rows
rows = [r.split("\t") for r in rows[:-1]]
assert [len(r) for r in rows] == [11, 11, 11], rows
assert rows[2][0] == "2" and rows[2][9] == "oven\\tB" and rows[2][10] == "a\\\\b\\nc", rows[2]
PY
lib list --json | python3 -c 'import json,sys; r=json.load(sys.stdin)[1]; assert r["name"]=="oven\tB" and r["note"]=="a\\b\nc", r' ||
    fail "--json must keep the texts as they are"

# export: a table of a download names its data set, as `export` does; a comma table
# where the locale writes decimal commas needs --iso. Nothing is written when refused.
locale -a | grep -qix 'de_DE.utf-\?8' || fail "the de_DE.UTF-8 locale is not installed (tools/install-deps)"
while IFS='|' read -r loc args fragment; do
    # shellcheck disable=SC2086
    LC_ALL=$loc "$cli" --data-dir "$work/data" library export $args -o "$work/refused.csv" 2>"$work/err"
    rc=$?
    [ $rc -eq 2 ] || fail "library export $args ($loc) exit $rc: $(cat "$work/err")"
    grep -qF -- "$fragment" "$work/err" || fail "library export $args ($loc): $(cat "$work/err")"
    [ -e "$work/refused.csv" ] && fail "library export $args ($loc) wrote a file"
done <<'CASES'
C|1|--set needs the number of a data set
C|1 --set 0|--set needs the number of a data set
de_DE.UTF-8|1 --set 1|decimal commas
de_DE.UTF-8|2|decimal commas
CASES
LC_ALL=de_DE.UTF-8 lib export 1 --set 2 --iso -o "$work/set2.csv" || fail "export --set 2 exit $?"
"$cli" export "$work/sim.ch4" --set 2 --iso -o "$work/file2.csv" || fail "file export exit $?"
cmp "$work/set2.csv" "$work/file2.csv" || fail "the library's set 2 differs from the downloaded file's"
lib export 1 -o "$work/again.ch4" || fail "a download as .ch4 needs no --set: exit $?"
cmp "$work/sim.ch4" "$work/again.ch4" || fail "the .ch4 export differs from the download"
exit 0
