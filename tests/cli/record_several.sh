#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# kelvor-cli record and live with three simulated meters: one line per sample time with
# every channel, the header naming each meter (its name from the settings, else its
# serial), one meter unplugged mid-run leaving gaps in its own columns only and coming
# back by itself, and --json lines carrying the same.
set -u
bin="$1"
cli="$bin/kelvor-cli"
command -v python3 >/dev/null || { echo "SKIP: python3 is missing"; exit 77; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

# The names the windowed program keeps per serial.
export XDG_CONFIG_HOME="$work/config"
mkdir -p "$XDG_CONFIG_HOME"
printf '[MeterNames]\nOVEN-A=Oven A\n' >"$XDG_CONFIG_HOME/TOVRA.conf"
# OVEN-B goes away at its 8th exchange for 12 exchanges: three missed reads, then probes
# until it answers again.
meters=(--meter=sim:serial=OVEN-A --meter=sim:serial=OVEN-B,faults=unplug@8+12 --meter=sim:serial=COLD-1)

timeout 60 "$cli" --data-dir "$work/data" record "${meters[@]}" --interval 00:00 --count 30 --csv "$work/run.csv" \
    >"$work/out" 2>"$work/err"
rc=$?
[ $rc -eq 0 ] || fail "record exit $rc: $(cat "$work/err")"
grep -q "OVEN-B: the meter stopped answering" "$work/err" || fail "the lost meter is not named: $(cat "$work/err")"
grep -q "Oven A: \|COLD-1: " "$work/err" && fail "a meter that never left is said to have: $(cat "$work/err")"

python3 - "$work/run.csv" "$work/out" <<'PY' || exit 1
import csv, sys
names = ["Oven A", "OVEN-B", "COLD-1"]
header = ["time"] + [f"{n} T{c}" for n in names for c in range(1, 5)]
def check(rows, what):
    if rows[0] != header:
        sys.exit(f"FAIL: {what}: header {rows[0]}")
    body = rows[1:]
    if len(body) != 30:
        sys.exit(f"FAIL: {what}: {len(body)} rows, not 30")
    gaps = []
    for i, r in enumerate(body):
        if len(r) != 13:
            sys.exit(f"FAIL: {what}: row {i} has {len(r)} fields")
        a, b, c = r[1:5], r[5:9], r[9:13]
        if "" in a or "" in c:
            sys.exit(f"FAIL: {what}: a meter that stayed has a gap in row {i}: {r}")
        if len(set(x == "" for x in b)) != 1:
            sys.exit(f"FAIL: {what}: OVEN-B is half there in row {i}: {r}")
        gaps.append(b[0] == "")
    # Present at the start, away for a stretch, back at the end.
    first, last = gaps.index(True), len(gaps) - 1 - gaps[::-1].index(True)
    if gaps[0] or gaps[-1] or not all(gaps[first:last + 1]) or last - first < 5:
        sys.exit(f"FAIL: {what}: OVEN-B's gaps {gaps}")
    # Independent meters read differently.
    if body[0][1] == body[0][9] and body[0][2] == body[0][10]:
        sys.exit(f"FAIL: {what}: two meters read the same: {body[0]}")
check(list(csv.reader(open(sys.argv[1], newline=""))), "--csv")
check([l.rstrip("\n").split("\t") for l in open(sys.argv[2])], "printed lines")
PY

# live --json: one object per line, every meter with its serial and name.
timeout 30 "$cli" live "${meters[0]}" --meter=sim:serial=COLD-1 --json --count 3 >"$work/live" 2>"$work/err" ||
    fail "live --json: $(cat "$work/err")"
python3 - "$work/live" <<'PY' || exit 1
import json, sys
lines = open(sys.argv[1]).read().splitlines()
if len(lines) != 3:
    sys.exit(f"FAIL: live --json gave {len(lines)} lines")
for l in lines:
    row = json.loads(l)
    meters = [(m["serial"], m["name"]) for m in row["meters"]]
    if meters != [("OVEN-A", "Oven A"), ("COLD-1", "")]:
        sys.exit(f"FAIL: live --json meters {meters}")
    for m in row["meters"]:
        if len(m["T"]) != 4 or not isinstance(m["T"][0], (int, float)) or m["T"][3] != "----":
            sys.exit(f"FAIL: live --json channels {m['T']}")
PY
echo "ok"
