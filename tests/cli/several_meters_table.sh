#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The spreadsheet table of a run of three meters (library export --format spreadsheet),
# read back by Python's csv module: a column per channel named with its meter's name and
# serial, every value as the run took it, and a Flags column that tells a meter's missed
# rows ("absent") from a channel without a value.
set -u
bin="$1"
cli="$bin/kelvor-cli"
command -v python3 >/dev/null || { echo "SKIP: python3 is missing"; exit 77; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
. "$(dirname "$0")/support/several_meters.sh"
record_three_meters

timeout 30 "$cli" --data-dir "$work/data" library export 1 --format spreadsheet -o "$work/table.csv" \
    2>"$work/err" || fail "library export --format spreadsheet: $(cat "$work/err")"

PYTHONPATH="$(dirname "$several_meters_py")" python3 - "$work/table.csv" "$work/run.csv" <<'PY' || exit 1
import csv, sys
from datetime import datetime
from several_meters import CHANNELS, HEADINGS, absent_rows, fail, run_rows, same_values
raw = open(sys.argv[1], "rb").read()
if raw.count(b"\r\n") != raw.count(b"\n"):
    fail("line ends are not CR LF throughout")
rows = list(csv.reader(open(sys.argv[1], newline="", encoding="utf-8"), strict=True))
want_head = ["Time"] + [f"{c} (°C)" for c in CHANNELS] + ["Flags"]
if rows[0] != want_head:
    fail(f"header {rows[0]}")
run = run_rows(sys.argv[2])
gone = absent_rows(run)
body = rows[1:]
if any(len(r) != 14 for r in body):
    fail(f"fields per row: {set(len(r) for r in body)}")
same_values([[float(v) if v else None for v in r[1:13]] for r in body], run, "spreadsheet table")
for i, (r, (t, _)) in enumerate(zip(body, run)):
    stamp = datetime.fromisoformat(r[0])
    if stamp.utcoffset() is None or stamp.replace(tzinfo=None) != datetime.fromisoformat(t).replace(tzinfo=None):
        fail(f"row {i}: time {r[0]}, the run took {t}")
    # OVEN-B has no thermocouple on T4 and misses a stretch; COLD-1's T3 is over range.
    want = ("OVEN-B absent" if i in gone else "OVEN-B T4 ----") + " COLD-1 T3 OL"
    if r[13] != want:
        fail(f"row {i}: Flags \"{r[13]}\", not \"{want}\"")
PY
echo "ok"
