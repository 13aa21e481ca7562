#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# kelvor-cli export --format spreadsheet and -o *.xlsx, read back by Python's csv and
# zipfile modules; the same bytes whatever the locale.
set -u
bin="$1"
cli="$bin/kelvor-cli"
work=$(mktemp -d)
trap 'chmod -R u+w "$work"; rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
command -v python3 >/dev/null || { echo "SKIP: python3 is missing"; exit 77; }
. "$(dirname "$0")/support/locale.sh"
require_locale en_US.UTF-8
require_decimal_comma de_DE.UTF-8
export TZ=Europe/Berlin

bytes() { local b; for b in "$@"; do printf "\\x$b"; done; }
# Set 1: 2 samples in F, the second with T1 and T2 out of range (OL); set 2: 1 sample in
# C; set 3: no samples.
set1() {
    bytes a5 5a 00 23 07 15 09 30 05 01 1e 00 00 02 f6 00 00 00
    bytes 03 e8 ff 38 00 00 61 a8   61 a9 f3 2f 00 01 00 02   5a a5
}
set2() {
    bytes a5 5a 00 24 02 29 23 59 58 00 05 13 00 01 0a 00 00 f6
    bytes 03 e8 03 e8 03 e8 03 e8   5a a5
}
set3() { bytes a5 5a 00 24 03 01 08 00 00 00 05 13 00 00 00 00 00 00   5a a5; }
{
    bytes 41 4c 4c 00 00 00 00 00 00 03 00 0b 71
    head -c $((2816 - 13)) /dev/zero
    set1; set2; set3
} >"$work/three.ch4"
"$cli" sets --iso "$work/three.ch4" >/dev/null || fail "fixture not readable"

# The spreadsheet table: identical bytes in three locales, read back by csv.
for loc in C en_US.UTF-8 de_DE.UTF-8; do
    LC_ALL=$loc "$cli" export "$work/three.ch4" --set 1 --format spreadsheet -o "$work/$loc.csv" ||
        fail "spreadsheet export in $loc exit $?"
done
cmp "$work/C.csv" "$work/en_US.UTF-8.csv" || fail "en_US differs from C"
cmp "$work/C.csv" "$work/de_DE.UTF-8.csv" || fail "de_DE differs from C"
LC_ALL=de_DE.UTF-8 "$cli" export "$work/three.ch4" --set 1 --format spreadsheet >"$work/stdout.csv" ||
    fail "spreadsheet to stdout exit $?"
tr -d '\r' <"$work/C.csv" | cmp - <(tr -d '\r' <"$work/stdout.csv") || fail "stdout differs from the file"

python3 - "$work/C.csv" <<'PY' || fail "spreadsheet table read back"
import csv, sys
raw = open(sys.argv[1], 'rb').read()
assert raw.count(b'\r\n') == 3 and raw.count(b'\n') == 3, raw
rows = list(csv.reader(open(sys.argv[1], newline='', encoding='utf-8'), strict=True))
assert rows[0] == ['Time', 'T1 (°F)', 'T2 (°F)', 'T3 (°F)', 'T4 (°F)', 'Flags'], rows[0]
assert rows[1] == ['2023-07-15T09:30:05+02:00', '100.0', '-20.0', '0.0', '2500.0', ''], rows[1]
assert rows[2] == ['2023-07-15T09:31:35+02:00', '', '', '0.1', '0.2', 'T1 OL T2 OL'], rows[2]
from datetime import datetime
for r in rows[1:]:
    datetime.fromisoformat(r[0])
    [float(v) for v in r[1:5] if v]
PY

# Real-time samples keep their milliseconds: a recording's spreadsheet table (through its
# graph file) gives each sample the time the library holds, to the millisecond, and never
# rounds two samples of different seconds onto one time.
"$cli" --data-dir "$work/lib" record --meter=sim --interval 00:00 --count 6 --quiet 2>"$work/err" ||
    fail "record exit $?: $(cat "$work/err")"
"$cli" --data-dir "$work/lib" library export 1 -o "$work/run.ghf" || fail "library export exit $?"
"$cli" export "$work/run.ghf" --format spreadsheet -o "$work/run.csv" || fail "graph file export exit $?"
python3 - "$work/run.csv" "$work/lib/kelvor.sqlite" <<'PY' || fail "sub-second times"
import csv, sqlite3, sys
from datetime import datetime, timedelta
rows = list(csv.reader(open(sys.argv[1], newline='', encoding='utf-8'), strict=True))[1:]
db = sqlite3.connect('file:%s?mode=ro' % sys.argv[2], uri=True)
stored = [t for (t,) in db.execute('SELECT time FROM samples WHERE recording_id = 1 ORDER BY seq')]
assert len(rows) == len(stored) == 6, (rows, stored)
epoch = datetime(1899, 12, 30)
fractional = 0
for row, days in zip(rows, stored):
    written = datetime.fromisoformat(row[0])
    exact = epoch + timedelta(days=days)
    assert abs((written.replace(tzinfo=None) - exact).total_seconds()) < 0.0006, (row[0], exact)
    fractional += written.microsecond != 0
assert fractional > 0, rows   # the sampling clock is not on whole seconds
assert len({r[0] for r in rows}) == len(rows), rows
PY

# A set without gaps has no flag column; a winter date gets +01:00; Celsius header.
"$cli" export "$work/three.ch4" --set 2 --format spreadsheet -o "$work/two.csv" || fail "set 2 exit $?"
[ "$(cat "$work/two.csv")" = $'Time,T1 (°C),T2 (°C),T3 (°C),T4 (°C)\r\n2024-02-29T23:59:58+01:00,37.8,37.8,37.8,37.8\r' ] ||
    fail "set 2: $(od -c "$work/two.csv")"
# An empty set: the header alone.
"$cli" export "$work/three.ch4" --set 3 --format spreadsheet -o "$work/empty.csv" || fail "empty set exit $?"
[ "$(cat "$work/empty.csv")" = $'Time,T1 (°C),T2 (°C),T3 (°C),T4 (°C)\r' ] || fail "empty set: $(cat "$work/empty.csv")"

# The workbook: one sheet per set and Info, identical in every locale but for the
# zip's time stamps, read back as XML.
for loc in C de_DE.UTF-8; do
    LC_ALL=$loc "$cli" export "$work/three.ch4" --all -o "$work/$loc.xlsx" || fail "xlsx in $loc exit $?"
done
python3 - "$work/C.xlsx" "$work/de_DE.UTF-8.xlsx" <<'PY' || fail "workbook read back"
import re, sys, zipfile
import xml.etree.ElementTree as ET
ns = {'m': 'http://schemas.openxmlformats.org/spreadsheetml/2006/main',
      'r': 'http://schemas.openxmlformats.org/officeDocument/2006/relationships'}
def parts(path):
    z = zipfile.ZipFile(path)
    assert z.testzip() is None
    return {n: z.read(n) for n in z.namelist() if not n.startswith('docProps/')}
a, b = parts(sys.argv[1]), parts(sys.argv[2])
# Every number in the file is written the C way, whatever the user's locale.
for n, body in b.items():
    if n.endswith('.xml'):
        text = body.decode('utf-8')
        bad = re.findall(r'<v>[^<]*,[^<]*</v>|[a-zA-Z]+="-?[0-9]+,[0-9]+"', text)
        assert not bad, (n, bad[:3])
assert a == b, 'locales differ'
book = ET.fromstring(a['xl/workbook.xml'])
names = [s.get('name') for s in book.find('m:sheets', ns)]
assert names == ['Set 1', 'Set 2', 'Set 3', 'Info'], names

def cells(n):
    root = ET.fromstring(a['xl/worksheets/sheet%d.xml' % n])
    out = {}
    for c in root.iter('{%s}c' % ns['m']):
        t = c.get('t', 'n')
        if t == 'inlineStr':
            out[c.get('r')] = ('s', ''.join(x.text or '' for x in c.iter('{%s}t' % ns['m'])))
        else:
            out[c.get('r')] = (t, c.find('m:v', ns).text)
    return root, out
root, s1 = cells(1)
assert root.find('.//m:pane', ns).get('state') == 'frozen'
assert s1['A1'] == ('s', 'Time') and s1['B1'] == ('s', 'T1 (°F)') and s1['F1'] == ('s', 'Flags')
# 2023-07-15 09:30:05 as days since 1899-12-30.
assert s1['A2'][0] == 'n' and abs(float(s1['A2'][1]) - (45122 + (9*3600+30*60+5)/86400)) < 1e-9, s1['A2']
assert s1['B2'] == ('n', '100') and s1['C2'] == ('n', '-20') and s1['E2'] == ('n', '2500')
assert 'B3' not in s1 and 'C3' not in s1 and s1['D3'] == ('n', '0.1') and s1['F3'] == ('s', 'T1 OL T2 OL')
styles = ET.fromstring(a['xl/styles.xml'])
fmts = {f.get('formatCode') for f in styles.iter('{%s}numFmt' % ns['m'])}
assert {'yyyy-mm-dd hh:mm:ss', '0.0'} <= fmts, fmts
charts = [n for n in a if re.fullmatch(r'xl/charts/chart\d+\.xml', n)]
assert len(charts) == 2, charts   # the empty set has none
chart = a[charts[0]].decode()
assert '<c:lineChart>' in chart and chart.count('<c:ser>') == 4 and "'Set 1'!$B$2:$B$3" in chart
_, s3 = cells(3)
assert any('No samples' in v for t, v in s3.values() if t == 's'), s3
_, info = cells(4)
texts = [v for t, v in info.values() if t == 's']
assert 'Maximum (°F)' in texts and 'Data set 2 of a download' in texts, texts
assert any('No samples' in t for t in texts)
PY

# A failing write names the file and leaves the old one untouched; no stray files.
mkdir "$work/ro" && echo old >"$work/ro/run.xlsx" && echo old >"$work/ro/run.csv" && chmod a-w "$work/ro"
if [ "$(id -u)" -ne 0 ]; then
    "$cli" export "$work/three.ch4" --all -o "$work/ro/run.xlsx" 2>"$work/err" && fail "read-only xlsx succeeded"
    grep -q "ro/run.xlsx" "$work/err" || fail "xlsx failure message: $(cat "$work/err")"
    "$cli" export "$work/three.ch4" --set 1 --format spreadsheet -o "$work/ro/run.csv" 2>"$work/err" &&
        fail "read-only csv succeeded"
    grep -q "ro/run.csv" "$work/err" || fail "csv failure message: $(cat "$work/err")"
    [ "$(cat "$work/ro/run.xlsx" "$work/ro/run.csv")" = $'old\nold' ] || fail "old files changed"
fi
# A folder in the way (this works as root too).
mkdir -p "$work/dir.xlsx/inside" "$work/dir.csv/inside"
"$cli" export "$work/three.ch4" --all -o "$work/dir.xlsx" 2>"$work/err" && fail "xlsx over a folder succeeded"
grep -q "dir.xlsx" "$work/err" || fail "folder xlsx message: $(cat "$work/err")"
"$cli" export "$work/three.ch4" --set 1 --format spreadsheet -o "$work/dir.csv" 2>"$work/err" &&
    fail "csv over a folder succeeded"
grep -q "dir.csv" "$work/err" || fail "folder csv message: $(cat "$work/err")"
[ -d "$work/dir.xlsx/inside" ] || fail "the folder was replaced"
"$cli" export "$work/three.ch4" --all -o "$work/nosuch/run.xlsx" 2>"$work/err" && fail "missing folder succeeded"
grep -q "nosuch/run.xlsx" "$work/err" || fail "missing folder message: $(cat "$work/err")"
[ "$(ls -A "$work" | grep -c '^\.')" -eq 0 ] || fail "temporary files left: $(ls -A "$work")"

# Options that do not fit together are a bad command line.
"$cli" export "$work/three.ch4" --all --format spreadsheet -o "$work/x.csv" 2>/dev/null; [ $? -eq 2 ] || fail "--all csv"
"$cli" export "$work/three.ch4" --set 1 --format pdf 2>/dev/null; [ $? -eq 2 ] || fail "--format pdf"
"$cli" export "$work/three.ch4" --set 9 --format spreadsheet 2>/dev/null; [ $? -eq 1 ] || fail "--set 9"
echo "export_formats: ok"
