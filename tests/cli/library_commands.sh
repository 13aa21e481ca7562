#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# kelvor-cli library list and export on a library with a download and a recording:
# rows that stay whole whatever a name or note holds; every export a data set or graph
# window offers (tables, spreadsheet table, workbook, report), read back by other readers.
set -u
bin="$1"
cli="$bin/kelvor-cli"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
. "$(dirname "$0")/support/locale.sh"
require_decimal_comma de_DE.UTF-8
for tool in sqlite3 pdftotext; do
    command -v $tool >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
unset QT_QPA_PLATFORM DISPLAY WAYLAND_DISPLAY  # the report needs no window system
lib() { "$cli" --data-dir "$work/data" library "$@"; }

"$cli" --meter=sim --data-dir "$work/data" download -o "$work/sim.ch4" >/dev/null 2>&1 || fail "download exit $?"
"$cli" --meter=sim --data-dir "$work/data" record --interval 00:00 --count 7 --quiet --name x 2>/dev/null ||
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

# A download's data set as spreadsheet table and workbook: the bytes and sheets the
# collection file's own export writes.
lib export 1 --set 3 --format spreadsheet -o "$work/lib3.csv" || fail "spreadsheet exit $?"
"$cli" export "$work/sim.ch4" --set 3 --format spreadsheet -o "$work/file3.csv" || fail "file spreadsheet exit $?"
cmp "$work/lib3.csv" "$work/file3.csv" || fail "the library's spreadsheet table differs from the file's"
lib export 1 --all -o "$work/lib.xlsx" || fail "workbook --all exit $?"
"$cli" export "$work/sim.ch4" --all -o "$work/file.xlsx" || fail "file workbook exit $?"
# A recording: the spreadsheet table and the workbook hold the samples of its text table.
lib export 2 --iso -o "$work/rec.txt" || fail "recording table exit $?"
lib export 2 --format spreadsheet -o "$work/rec.csv" || fail "recording spreadsheet exit $?"
lib export 2 -o "$work/rec.xlsx" || fail "recording workbook exit $?"
python3 - "$work" <<'PY' || fail "workbooks read back"
import csv, sys, zipfile
import xml.etree.ElementTree as ET
w = sys.argv[1]
m = '{http://schemas.openxmlformats.org/spreadsheetml/2006/main}'
def book(path):
    z = zipfile.ZipFile(path)
    assert z.testzip() is None
    return z
def sheets(z):
    return [s.get('name') for s in ET.fromstring(z.read('xl/workbook.xml')).iter(m + 'sheet')]
lib, f = book(w + '/lib.xlsx'), book(w + '/file.xlsx')
assert sheets(lib) == ['Set 1', 'Set 2', 'Set 3', 'Set 4', 'Info'], sheets(lib)
for n in range(1, 5):
    name = 'xl/worksheets/sheet%d.xml' % n
    assert lib.read(name) == f.read(name), name
info = lib.read('xl/worksheets/sheet5.xml').decode()
assert 'KV4-SIM-00001' in info, 'the Info sheet does not name the meter'

table = [l.split('\t') for l in open(w + '/rec.txt', encoding='utf-8').read().splitlines()]
rows = list(csv.reader(open(w + '/rec.csv', encoding='utf-8', newline='')))
assert rows[0][:5] == ['Time', 'T1 (°C)', 'T2 (°C)', 'T3 (°C)', 'T4 (°C)'], rows[0]
assert len(table) == 7 and len(rows) == 8, (len(table), len(rows))
from datetime import datetime
for t, r in zip(table, rows[1:]):
    # The text table shows whole seconds, the spreadsheet table's rounding is its own.
    shown = datetime.fromisoformat(t[0] + 'T' + t[1])
    assert abs((datetime.fromisoformat(r[0]).replace(tzinfo=None) - shown).total_seconds()) <= 1, (t, r)
    assert [v if v != 'OL' else '' for v in t[2:6]] == r[1:5], (t, r)
    # The text table has one word for a missing value; the library and its spreadsheet
    # table keep the meter's: the simulated meter's T4 has no thermocouple.
    assert t[5] == 'OL' and r[5] == 'T4 ----', (t, r)
rec = book(w + '/rec.xlsx')
assert sheets(rec) == ['Recording 2', 'Info'], sheets(rec)
sheet = ET.fromstring(rec.read('xl/worksheets/sheet1.xml'))
values = [[c.find(m + 'v').text for c in row.iter(m + 'c') if c.find(m + 'v') is not None]
          for row in sheet.iter(m + 'row')][1:]
assert len(values) == 7, values
for v, r in zip(values, rows[1:]):
    assert [float(x) for x in v[1:]] == [float(x) for x in r[1:5] if x], (v, r)
PY

# Reports: a recording's takes its library name as the title and names the meter; a
# download's names the data set it shows.
lib export 2 -o "$work/rec.pdf" || fail "recording report exit $?"
text=$(pdftotext "$work/rec.pdf" -) || fail "pdftotext of the recording report"
head -n1 <<<"$text" | grep -qE '^oven\s+B$' || fail "report title: $(head -n3 <<<"$text")"
grep -qF "QZX KV4-SIM-00001" <<<"$text" || fail "the report does not name the meter: $text"
grep -qF "Recording 2 of the library" <<<"$text" || fail "the report does not name its source: $text"
lib export 2 --title "Kiln 4" --samples -o "$work/rec.pdf" || fail "report --title exit $?"
text=$(pdftotext -layout "$work/rec.pdf" -) || fail "pdftotext of the titled report"
grep -q "Kiln 4" <<<"$text" || fail "--title: $(head -n3 <<<"$text")"
[ "$(grep -cE '^ *[0-9]{4}-[0-9]{2}-[0-9]{2}.*[0-9]+\.[0-9]' <<<"$text")" -ge 7 ] || fail "--samples: $text"
lib export 1 --set 4 -o "$work/set4.pdf" || fail "download report exit $?"
pdftotext "$work/set4.pdf" - | grep -qF "Data set 4 of a download" || fail "download report: $(pdftotext "$work/set4.pdf" -)"
exit 0
