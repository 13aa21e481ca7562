# SPDX-License-Identifier: GPL-3.0-or-later
"""The run that support/several_meters.sh records, as its own --csv table has it: what the
exports of that run are checked against."""
import csv
import sys

# How the exports name the meters: name and serial, else the serial alone.
HEADINGS = ["Oven A (OVEN-A)", "OVEN-B", "COLD-1"]
SERIALS = ["OVEN-A", "OVEN-B", "COLD-1"]
NAMES = ["Oven A", "", ""]
CHANNELS = [f"{h} T{c}" for h in HEADINGS for c in range(1, 5)]


def fail(text):
    sys.exit(f"FAIL: {text}")


def run_rows(path):
    """The run's rows: (time text, [12 values, None where the meter gave none or flagged it])."""
    rows = list(csv.reader(open(path, newline="", encoding="utf-8")))
    out = []
    for r in rows[1:]:
        out.append((r[0], [None if v in ("", "----", "OL") else float(v) for v in r[1:13]]))
    if len(out) != 30 or any(len(v) != 12 for _, v in out):
        fail(f"the run's own table: {len(out)} rows")
    return out


def absent_rows(rows):
    """The rows OVEN-B missed: all four of its channels empty, a stretch mid-run."""
    gone = [i for i, (_, v) in enumerate(rows) if all(x is None for x in v[4:8])]
    if not gone or gone[0] == 0 or gone[-1] == len(rows) - 1 or gone != list(range(gone[0], gone[-1] + 1)):
        fail(f"OVEN-B's absence in the run is not a stretch mid-run: {gone}")
    return set(gone)


def same_values(got, want, what):
    """Every channel of every row, a gap where the run has one."""
    if len(got) != len(want):
        fail(f"{what}: {len(got)} rows, the run has {len(want)}")
    for i, (g, (_, w)) in enumerate(zip(got, want)):
        if len(g) != 12:
            fail(f"{what}: row {i} has {len(g)} channels")
        for c, (a, b) in enumerate(zip(g, w)):
            if (a is None) != (b is None) or (a is not None and abs(a - b) > 0.051):
                fail(f"{what}: row {i} {CHANNELS[c]} is {a}, the run took {b}")
