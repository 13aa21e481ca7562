#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The PDF report of a run of three meters (library export -o *.pdf --samples), read back
# with pdftotext: the meters among the source details, a legend entry per meter, a
# statistics table per meter with each channel's extremes and count as the run took them,
# and each meter's samples in a table of their own.
set -u
bin="$1"
cli="$bin/kelvor-cli"
command -v python3 >/dev/null || { echo "SKIP: python3 is missing"; exit 77; }
command -v pdftotext >/dev/null || { echo "SKIP: pdftotext (poppler-utils) is missing"; exit 77; }
unset QT_QPA_PLATFORM DISPLAY WAYLAND_DISPLAY  # the report needs no window system
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
. "$(dirname "$0")/support/several_meters.sh"
record_three_meters

LC_ALL=C.UTF-8 timeout 60 "$cli" --data-dir "$work/data" library export 1 -o "$work/run.pdf" --samples \
    --title "Three meters" 2>"$work/err" || fail "library export -o run.pdf: $(cat "$work/err")"
pdftotext -layout "$work/run.pdf" "$work/run.txt" || fail "pdftotext"

PYTHONPATH="$(dirname "$several_meters_py")" python3 - "$work/run.txt" "$work/run.csv" <<'PY' || exit 1
import re, sys
from several_meters import HEADINGS, absent_rows, fail, run_rows
text = open(sys.argv[1], encoding="utf-8").read()
lines = text.splitlines()
run = run_rows(sys.argv[2])
gone = absent_rows(run)

for m, h in enumerate(HEADINGS):
    if not re.search(rf"^\s*Meter {m + 1}\s+{re.escape(h)}, \S", text, re.M):
        fail(f"the source details do not name meter {m + 1} ({h})")
# The legend names each meter (its name, else its serial) beside its four channels.
for h in ["Oven A", "OVEN-B", "COLD-1"]:
    if not re.search(rf"{re.escape(h)}\s+T1\s+T2\s+T3\s+T4", text):
        fail(f"the legend lacks {h} and its channels")

# A statistics table per meter, under its name, in order.
stats_at = text.index("Statistics")
starts = [text.index(f"\n", text.index(h, stats_at)) for h in HEADINGS]
if starts != sorted(starts):
    fail("the meters' statistics are out of order")
ends = starts[1:] + [text.index("Annotations", stats_at)]
for m, (a, b) in enumerate(zip(starts, ends)):
    rows = {r.split()[0]: r.split()[1:] for r in text[a:b].splitlines() if re.match(r"\s*T[1-4]\s", r)}
    if sorted(rows) != ["T1", "T2", "T3", "T4"]:
        fail(f"meter {m + 1}'s statistics table: {text[a:b]}")
    for c in range(4):
        values = [v[4 * m + c] for _, v in run if v[4 * m + c] is not None]
        cells = rows[f"T{c + 1}"]
        if not values:
            if cells[0] not in ("OL", "----") or cells[-1] != "0":
                fail(f"meter {m + 1} T{c + 1} has no values but shows {cells}")
            continue
        if not cells[0].startswith(f"{max(values):.1f}@") or cells[-1] != str(len(values)):
            fail(f"meter {m + 1} T{c + 1}: {cells}; the run's maximum {max(values):.1f}, {len(values)} values")
        if f"{min(values):.1f}@" not in " ".join(cells):
            fail(f"meter {m + 1} T{c + 1}: {cells}; the run's minimum {min(values):.1f}")

# Each meter's samples in a part of its own, every row; OVEN-B's missed rows without values.
parts = [text.index(f"Samples: {h}") for h in HEADINGS]
if parts != sorted(parts):
    fail("the meters' sample tables are out of order")
stamp = re.compile(r"^\s*(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d)\s+(.*)$")
for m, (a, b) in enumerate(zip(parts, parts[1:] + [len(text)])):
    rows = [stamp.match(l).groups() for l in text[a:b].splitlines() if stamp.match(l)]
    if len(rows) != len(run):
        fail(f"meter {m + 1}'s samples: {len(rows)} rows, the run has {len(run)}")
    for i, ((when, cells), (t, v)) in enumerate(zip(rows, run)):
        if when != t[:19].replace("T", " "):
            fail(f"meter {m + 1} row {i}: {when}, the run took {t}")
        got = cells.split()
        for c in range(4):
            want = v[4 * m + c]
            if (want is None) != (got[c] in ("OL", "----")) or (want is not None and abs(float(got[c]) - want) > 0.051):
                fail(f"meter {m + 1} row {i} T{c + 1}: {got[c]}, the run took {want}")
        if m == 1 and i in gone and got != ["----"] * 4:
            fail(f"OVEN-B's missed row {i}: {got}")
PY
echo "ok"
