#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The workbook of a run of three meters (library export -o *.xlsx), read back with Python's
# zipfile and XML parser: one data sheet with a column per channel named with its meter's
# name and serial and every value as the run took it, a chart line per channel, and an Info
# sheet that lists the meters and gives the statistics of every channel.
set -u
bin="$1"
cli="$bin/kelvor-cli"
command -v python3 >/dev/null || { echo "SKIP: python3 is missing"; exit 77; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
. "$(dirname "$0")/support/several_meters.sh"
record_three_meters

timeout 30 "$cli" --data-dir "$work/data" library export 1 -o "$work/run.xlsx" 2>"$work/err" ||
    fail "library export -o run.xlsx: $(cat "$work/err")"

PYTHONPATH="$(dirname "$several_meters_py")" python3 - "$work/run.xlsx" "$work/run.csv" <<'PY' || exit 1
import re, sys, zipfile
import xml.etree.ElementTree as ET
from several_meters import CHANNELS, HEADINGS, NAMES, SERIALS, absent_rows, fail, run_rows, same_values

NS = {"m": "http://schemas.openxmlformats.org/spreadsheetml/2006/main",
      "r": "http://schemas.openxmlformats.org/officeDocument/2006/relationships",
      "p": "http://schemas.openxmlformats.org/package/2006/relationships",
      "c": "http://schemas.openxmlformats.org/drawingml/2006/chart"}
book = zipfile.ZipFile(sys.argv[1])
shared = []
if "xl/sharedStrings.xml" in book.namelist():
    for si in ET.fromstring(book.read("xl/sharedStrings.xml")).findall("m:si", NS):
        shared.append("".join(t.text or "" for t in si.iter(f"{{{NS['m']}}}t")))
rels = {r.get("Id"): r.get("Target") for r in ET.fromstring(book.read("xl/_rels/workbook.xml.rels"))}
sheets = {}
for s in ET.fromstring(book.read("xl/workbook.xml")).find("m:sheets", NS):
    target = rels[s.get(f"{{{NS['r']}}}id")].lstrip("/")
    sheets[s.get("name")] = target if target.startswith("xl/") else "xl/" + target


def column(ref):
    n = 0
    for ch in re.match(r"[A-Z]+", ref).group(0):
        n = n * 26 + ord(ch) - 64
    return n - 1


def cells(name):
    """The sheet as rows of {column: value}: numbers as floats, strings as text."""
    rows = {}
    for row in ET.fromstring(book.read(sheets[name])).iter(f"{{{NS['m']}}}row"):
        out = rows.setdefault(int(row.get("r")) - 1, {})
        for c in row.findall("m:c", NS):
            kind, v = c.get("t"), c.find("m:v", NS)
            if kind == "inlineStr":
                value = "".join(t.text or "" for t in c.iter(f"{{{NS['m']}}}t"))
            elif kind == "s":
                value = shared[int(v.text)]
            elif kind == "str":
                value = v.text or ""
            else:
                value = float(v.text) if v is not None else None
            out[column(c.get("r"))] = value
    return [rows.get(i, {}) for i in range(max(rows) + 1)] if rows else []


if list(sheets) != ["Recording 1", "Info"]:
    fail(f"sheets {list(sheets)}")
data = cells("Recording 1")
want_head = ["Time"] + [f"{c} (°C)" for c in CHANNELS] + ["Flags"]
if [data[0].get(i) for i in range(14)] != want_head:
    fail(f"data header {data[0]}")
run = run_rows(sys.argv[2])
gone = absent_rows(run)
body = data[1:]
same_values([[r.get(c) for c in range(1, 13)] for r in body], run, "data sheet")
for i, r in enumerate(body):
    if not isinstance(r.get(0), float) or r[0] < 40000:
        fail(f"row {i}: the time is not a date-time cell: {r.get(0)}")
    want = ("OVEN-B absent" if i in gone else "OVEN-B T4 ----") + " COLD-1 T3 OL"
    if r.get(13) != want:
        fail(f"row {i}: Flags {r.get(13)!r}, not {want!r}")

# The chart draws a line per channel, each named by its column's header.
charts = [n for n in book.namelist() if re.match(r"xl/charts/chart\d+\.xml$", n)]
if len(charts) != 1:
    fail(f"charts {charts}")
names = [s.find("c:tx/c:strRef/c:f", NS).text for s in ET.fromstring(book.read(charts[0])).iter(f"{{{NS['c']}}}ser")]
want_names = [f"'Recording 1'!${chr(66 + c)}$1" for c in range(12)]
if names != want_names:
    fail(f"chart lines {names}")

# Info: the meters, then a statistics row per channel with its meter's name.
info = cells("Info")
texts = [[r.get(i) for i in range(max(r) + 1)] if r else [] for r in info]
head = ["Meter", "Columns", "Name", "Serial", "Model"]
at = next((i for i, r in enumerate(texts) if r[:5] == head), None)
if at is None:
    fail(f"the Info sheet does not list the meters: {texts}")
for m in range(3):
    r = texts[at + 1 + m]
    if r[0] != m + 1 or r[1] != f"{HEADINGS[m]} T1 to T4" or (r[2] or "") != NAMES[m] or r[3] != SERIALS[m] or not r[4]:
        fail(f"Info, meter {m + 1}: {r}")
stats = {r[0]: r for r in texts if r and r[0] in CHANNELS}
if list(stats) != CHANNELS:
    fail(f"Info statistics rows {list(stats)}")
for c, name in enumerate(CHANNELS):
    values = [v[c] for _, v in run if v[c] is not None]
    r = stats[name] + [None] * 7
    if not values:
        if r[1] is not None or r[5] is not None or r[6] != 0:
            fail(f"Info, {name} has no values but statistics {r}")
        continue
    if abs(r[1] - max(values)) > 0.051 or abs(r[3] - min(values)) > 0.051 or r[6] != len(values):
        fail(f"Info, {name}: {r}; the run's maximum {max(values)}, minimum {min(values)}, {len(values)} values")
    if abs(r[5] - sum(values) / len(values)) > 0.051:
        fail(f"Info, {name}: average {r[5]}, the run's {sum(values) / len(values)}")
PY
echo "ok"
