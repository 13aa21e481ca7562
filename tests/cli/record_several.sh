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
command -v sqlite3 >/dev/null || { echo "SKIP: sqlite3 (the command-line tool) is missing"; exit 77; }
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

# The library holds the run with every meter's serial and name and every channel: its table
# export is the same rows as the --csv table, gaps included.
timeout 30 "$cli" --data-dir "$work/data" library export 1 -o "$work/lib.csv" 2>"$work/err" ||
    fail "library export: $(cat "$work/err")"
python3 - "$work/lib.csv" "$work/run.csv" <<'PY' || exit 1
import csv, sys
lib = list(csv.reader(open(sys.argv[1], newline="")))
run = list(csv.reader(open(sys.argv[2], newline="")))
names = ["Oven A (OVEN-A)", "OVEN-B", "COLD-1"]
want = ["Date", "Time"] + [f"{n} T{c}" for n in names for c in range(1, 5)]
if lib[0] != want:
    sys.exit(f"FAIL: library table header {lib[0]}")
if len(lib) != len(run):
    sys.exit(f"FAIL: library table has {len(lib) - 1} rows, the run {len(run) - 1}")
for a, b in zip(lib[1:], run[1:]):
    for x, y in zip(a[2:], b[1:]):
        # A gap is "OL" in the program's tables, an empty field in the --csv table; "----" is "OL" too.
        if (y in ("", "----")) != (x == "OL") or (y not in ("", "----") and float(x) != float(y)):
            sys.exit(f"FAIL: library row {a} against {b}")
PY

# Killed mid-run, the run comes back interrupted with every meter's channels.
"$cli" --data-dir "$work/kill" record "${meters[@]}" --interval 00:00 -q >/dev/null 2>"$work/err" &
pid=$!
for _ in $(seq 100); do
    [ -f "$work/kill/kelvor.sqlite" ] && [ "$(sqlite3 "file:$work/kill/kelvor.sqlite?mode=ro" 'SELECT count(*) FROM meter_samples' 2>/dev/null || echo 0)" -gt 20 ] && break
    sleep 0.2
done
kill -9 $pid
wait $pid 2>/dev/null
timeout 30 "$cli" --data-dir "$work/kill" library export 1 -o "$work/killed.txt" 2>"$work/err" ||
    fail "export after a kill: $(cat "$work/err")"
python3 - "$work/killed.txt" <<'PY' || exit 1
import sys
lines = open(sys.argv[1], encoding="utf-8", newline="").read().split("\r\n")
rows = [l.split("\t") for l in lines[1:] if l]
if len(rows) < 8 or any(len(r) != 14 for r in rows):
    sys.exit(f"FAIL: after a kill: {len(rows)} rows, fields {set(len(r) for r in rows)}")
if not all(r[10] != "OL" for r in rows):
    sys.exit("FAIL: after a kill, COLD-1 has gaps")
PY
"$cli" --data-dir "$work/kill" library list >/dev/null 2>&1  # finds the run's program gone
state=$(sqlite3 "file:$work/kill/kelvor.sqlite?mode=ro" "SELECT state FROM recordings WHERE id = 1")
[ "$state" = interrupted ] || fail "the killed run is '$state', not interrupted"
[ "$(sqlite3 "file:$work/kill/kelvor.sqlite?mode=ro" "SELECT group_concat(serial || '=' || name, ' ') FROM recording_meters WHERE recording_id = 1")" = "OVEN-A=Oven A OVEN-B= COLD-1=" ] ||
    fail "the meters of the run: $(sqlite3 "file:$work/kill/kelvor.sqlite?mode=ro" "SELECT * FROM recording_meters")"

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
