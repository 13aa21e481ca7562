#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The verdict of a profile in the PDF report (read back with pdftotext: the overall
# verdict on page 1, each rule's row) and on a workbook's Info sheet (read back with
# Python's zipfile), for a collection file and a library recording.
set -u
bin="$1"
cli="$bin/kelvor-cli"
work=$(mktemp -d)
trap '[ -n "${KEEP-}" ] || rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
command -v pdftotext >/dev/null || { echo "SKIP: pdftotext (poppler-utils) missing"; exit 77; }
export LC_ALL=C TZ=UTC
unset QT_QPA_PLATFORM DISPLAY WAYLAND_DISPLAY

bytes() { local b; for b in "$@"; do printf "\\x$b"; done; }
# Set 1 in °F, 09:30:05 and 09:31:35: T1 100.0 then OL, T2 -20.0 then OL; set 2 empty.
{
    bytes 41 4c 4c 00 00 00 00 00 00 02 00 0b 71
    head -c $((2816 - 13)) /dev/zero
    bytes a5 5a 00 23 07 15 09 30 05 01 1e 00 00 02 f6 00 00 00
    bytes 03 e8 ff 38 00 00 61 a8   61 a9 f3 2f 00 01 00 02   5a a5
    bytes a5 5a 00 24 03 01 08 00 00 00 05 13 00 00 00 00 00 00   5a a5
} >"$work/one.ch4"
# In °C: 100 °F is 37.8 °C, -20 °F is -28.9 °C.
cat >"$work/p.json" <<'JSON'
{"kelvorProfile": 1, "name": "Cold store", "rules": [
  {"kind": "band", "name": "T1 cap", "upper": [[0, 37]]},
  {"kind": "peak", "name": "T2 peak", "channel": "T2", "max": 0}]}
JSON

"$cli" report "$work/one.ch4" --set 1 -o "$work/r.pdf" --profile "$work/p.json" || fail "report exit $?"
page1=$(pdftotext -f 1 -l 1 -layout "$work/r.pdf" -) || fail "pdftotext"
grep -qF "Verdict: FAIL" <<<"$page1" || fail "page 1 has no verdict: $page1"
grep -qF 'Profile "Cold store" (°C): 2 rules, 1 passed, 1 failed' <<<"$page1" || fail "summary: $page1"
text=$(pdftotext -layout "$work/r.pdf" -)
grep -qF "Profile check: Cold store" <<<"$text" || fail "no section: $text"
grep -qE "FAIL +T1 cap +T1 .*at 0 s: 37.8 °C" <<<"$text" || fail "T1 row: $text"
grep -qE "PASS +T2 peak +T2 +peak -28.9 °C at 0 s +peak at most 0.0 °C" <<<"$text" || fail "T2 row: $text"
# Without --profile there is no verdict; --channel checks every rule on one channel.
"$cli" report "$work/one.ch4" --set 1 -o "$work/plain.pdf" || fail "plain report exit $?"
pdftotext "$work/plain.pdf" - | grep -q "Verdict" && fail "a verdict without a profile"
"$cli" report "$work/one.ch4" --set 1 -o "$work/t2.pdf" --profile "$work/p.json" --channel T2 || fail "T2 exit $?"
pdftotext -f 1 -l 1 "$work/t2.pdf" - | grep -qF "Verdict: PASS" || fail "on T2 both pass"
# A bad profile writes no report.
echo '{"kelvorProfile": 2, "rules": []}' >"$work/bad.json"
"$cli" report "$work/one.ch4" --set 1 -o "$work/bad.pdf" --profile "$work/bad.json" 2>"$work/err"
[ $? -eq 1 ] && [ ! -e "$work/bad.pdf" ] || fail "a bad profile: $(cat "$work/err")"
"$cli" report "$work/one.ch4" --set 1 -o "$work/bad.pdf" --channel T2 2>/dev/null
[ $? -eq 2 ] || fail "--channel without --profile"

# The workbook's Info sheet: the profile, the verdict and a row per rule.
"$cli" export "$work/one.ch4" --set 1 -o "$work/w.xlsx" --profile "$work/p.json" || fail "xlsx exit $?"
"$cli" export "$work/one.ch4" --set 1 -o "$work/w.csv" --profile "$work/p.json" 2>/dev/null
[ $? -eq 2 ] || fail "--profile with a table"
python3 - "$work/w.xlsx" <<'PY' || fail "workbook read back"
import sys, zipfile
import xml.etree.ElementTree as ET
m = '{http://schemas.openxmlformats.org/spreadsheetml/2006/main}'
z = zipfile.ZipFile(sys.argv[1])
root = ET.fromstring(z.read('xl/worksheets/sheet2.xml'))
rows = []
for row in root.iter(m + 'row'):
    rows.append([''.join(t.text or '' for t in c.iter(m + 't')) for c in row.iter(m + 'c')])
at = rows.index(['Profile', 'Cold store'])
assert rows[at + 1] == ['Verdict', 'FAIL'], rows[at:]
assert rows[at + 2] == ['Result', 'Rule', 'Channel', 'Measured', 'Limit', 'First violation'], rows[at + 2]
assert rows[at + 3][:3] == ['FAIL', 'T1 cap', 'T1'] and rows[at + 3][5] == 'at 0 s: 37.8 °C', rows[at + 3]
assert rows[at + 4][:4] == ['PASS', 'T2 peak', 'T2', 'peak -28.9 °C at 0 s'], rows[at + 4]
PY

# A library recording: the report and the workbook of `library export`.
"$cli" --meter=sim --data-dir "$work/data" record --interval 00:00 --count 3 --quiet >/dev/null 2>&1 ||
    fail "record exit $?"
printf '{"kelvorProfile": 1, "name": "Cold", "rules": [{"kind": "band", "upper": [[0, -300]]}]}' >"$work/cold.json"
"$cli" --data-dir "$work/data" library export 1 -o "$work/lib.pdf" --profile "$work/cold.json" || fail "lib pdf $?"
pdftotext -f 1 -l 1 "$work/lib.pdf" - | grep -qF "Verdict: FAIL" || fail "library report verdict"
"$cli" --data-dir "$work/data" library export 1 -o "$work/lib.xlsx" --profile "$work/cold.json" || fail "lib xlsx $?"
python3 - "$work/lib.xlsx" <<'PY' || fail "library workbook"
import sys, zipfile
z = zipfile.ZipFile(sys.argv[1])
body = z.read('xl/worksheets/sheet2.xml').decode()
assert '>Cold<' in body and '>FAIL<' in body, body[:2000]
PY
"$cli" --data-dir "$work/data" library export 1 -o "$work/lib.csv" --profile "$work/cold.json" 2>/dev/null
[ $? -eq 2 ] || fail "--profile with a library table"
echo ok
