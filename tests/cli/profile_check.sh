#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# kelvor-cli check: the shipped example profiles against constructed runs (spreadsheet
# tables written here) give the hand-checked PASS, FAIL and CANNOT CHECK with their exit
# statuses; --channel, --json, a library recording and bad command lines.
set -u
bin="$1"
cli="$bin/kelvor-cli"
profiles="$(cd "$(dirname "$0")/../.." && pwd)/resources/profiles"
work=$(mktemp -d)
trap '[ -n "${KEEP-}" ] || rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
export TZ=UTC LC_ALL=C
unset QT_QPA_PLATFORM DISPLAY WAYLAND_DISPLAY

# run NAME STEP END KNOTS [T2 KNOTS]: a spreadsheet table sampled every STEP s up to END,
# linear between the (seconds, °C) knots, values to a tenth.
run() {
    python3 - "$work/$1.csv" "$2" "$3" "$4" "${5-}" <<'PY'
import sys, datetime
path, step, end = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
curves = [eval(k) for k in sys.argv[4:] if k]
def at(knots, t):
    for (t0, v0), (t1, v1) in zip(knots, knots[1:]):
        if t0 <= t <= t1:
            return v0 + (v1 - v0) * (t - t0) / (t1 - t0)
    return knots[-1][1]
start = datetime.datetime(2026, 12, 10, 8, 0, 0)
with open(path, "w", newline="") as f:
    f.write("Time,T1 (°C),T2 (°C),T3 (°C),T4 (°C)\r\n")
    for t in range(0, end + 1, step):
        vals = [at(c, t) for c in curves] + [20.0] * (4 - len(curves))
        stamp = (start + datetime.timedelta(seconds=t)).strftime("%Y-%m-%dT%H:%M:%S") + "+00:00"
        f.write(stamp + "," + ",".join("%.1f" % v for v in vals) + "\r\n")
PY
}
check() { "$cli" check "$@" >"$work/out" 2>"$work/err"; }
expect() {  # status, then the command's arguments
    local want=$1; shift
    check "$@"
    local rc=$?
    [ $rc -eq "$want" ] || fail "check $* exit $rc, not $want: $(cat "$work/out" "$work/err")"
}
line() { grep -P "^$1\t$2\t" "$work/out" || fail "no '$1 $2' row: $(cat "$work/out")"; }

reflow="$profiles/leadfree-reflow.json"
run reflow-good 1 400 "[(0,25),(75,150),(165,190),(215,245),(245,245),(355,25)]"
expect 0 "$work/reflow-good.csv" --profile "$reflow"
[ "$(grep -c '^PASS' "$work/out")" -eq 5 ] || fail "five rules pass: $(cat "$work/out")"
grep -qx 'Verdict: PASS' "$work/out" || fail "verdict: $(cat "$work/out")"
line PASS peak | grep -q 'peak 245.0 °C at 215 s' || fail "peak measured"
# Above 217 from 190 s (217.4) to 259 s (217.0): 69 s.
line PASS 'time above liquidus' | grep -q 'longest 69 s, from 190 s' || fail "time above liquidus"

# Too hot: 250.8 °C at 214 s is the first sample over 250.
run reflow-hot 1 400 "[(0,25),(75,150),(165,190),(215,252),(245,252),(355,25)]"
expect 3 "$work/reflow-hot.csv" --profile "$reflow"
line FAIL peak | grep -q 'peak 252.0 °C at 215 s.*at 214 s: 250.8 °C' || fail "first violation of the peak"
grep -qx 'Verdict: FAIL' "$work/out" || fail "verdict: $(cat "$work/out")"

# Food: 57 °C at 600 s, 21 °C at 6600 s (100 min), 5 °C at 18000 s (190 min more).
food="$profiles/food-cooling.json"
run food-good 60 19000 "[(0,60),(600,57),(6600,21),(18000,5),(19000,4)]"
expect 0 "$work/food-good.csv" --profile "$food"
# The second stage too slow: due by 21000 s, at 21060 s still 6.0 °C.
run food-slow 60 23000 "[(0,60),(600,57),(6600,21),(22000,5)]"
expect 3 "$work/food-slow.csv" --profile "$food"
line FAIL '57 → 21 °C in 2 h, then → 5 °C in 4 h' | grep -q 'at 21060 s: 6.0 °C' || fail "food violation"
# Cut short within the second stage: nobody can tell.
run food-short 60 10000 "[(0,60),(600,57),(6600,21),(18000,5)]"
expect 1 "$work/food-short.csv" --profile "$food"
grep -q '^CANNOT CHECK' "$work/out" || fail "a short run: $(cat "$work/out")"

# Soak: T1 holds 850 °C for 70 min, T2 for 50 min; within 840..860 °C T1 is from 5340 s
# (840.8) to 9600 s, T2 from 5340 s to 8460 s (840.8 on the way down).
soak="$profiles/heat-treatment-soak.json"
run soak 60 12000 "[(0,20),(5400,850),(9600,850),(12000,300)]" "[(0,20),(5400,850),(8400,850),(12000,300)]"
expect 0 "$work/soak.csv" --profile "$soak"
line PASS 'soak 840-860 °C' | grep -q 'longest 4260 s, from 5340 s' || fail "soak on T1"
expect 3 "$work/soak.csv" --profile "$soak" --channel t2
line FAIL 'soak 840-860 °C' | grep -q $'\tT2\tlongest 3120 s' || fail "soak on T2: $(cat "$work/out")"

# --json: the same results for a program.
expect 3 "$work/reflow-hot.csv" --profile "$reflow" --json
python3 - "$work/out" <<'PY' || fail "--json: $(cat "$work/out")"
import json, sys
d = json.load(open(sys.argv[1], encoding="utf-8"))
assert d["verdict"] == "FAIL" and d["profile"] == "Lead-free reflow (SAC305)", d
peak = [r for r in d["rules"] if r["kind"] == "peak"][0]
assert peak["result"] == "FAIL" and peak["firstViolation"] == {"seconds": 214, "value": peak["firstViolation"]["value"]}
assert abs(peak["firstViolation"]["value"] - 250.8) < 1e-4 and peak["line"] == 10, peak
assert [r["result"] for r in d["rules"]].count("PASS") == 4, d
PY

# A library recording, by its number.
"$cli" --meter=sim --data-dir "$work/data" record --interval 00:00 --count 5 --quiet 2>/dev/null || fail "record exit $?"
printf '{"kelvorProfile": 1, "rules": [{"kind": "band", "upper": [[0, -300]]}]}' >"$work/cold.json"
"$cli" --data-dir "$work/data" check 1 --profile "$work/cold.json" >"$work/out" 2>"$work/err"
rc=$?
[ $rc -eq 3 ] || fail "library item 1 exit $rc: $(cat "$work/out" "$work/err")"
"$cli" --data-dir "$work/data" check 7 --profile "$work/cold.json" >/dev/null 2>&1
[ $? -eq 1 ] || fail "a missing item exits 1"

# Bad command lines exit 2; a broken profile exits 1 with its line and field.
expect 2 "$work/soak.csv"
expect 2 "$work/soak.csv" --profile "$soak" --channel T5
expect 2 --profile "$soak"
printf '{"kelvorProfile": 1,\n "rules": [\n {"kind": "dwell", "above": 217, "minSeconds": "60"}]}' >"$work/bad.json"
expect 1 "$work/soak.csv" --profile "$work/bad.json"
grep -qF 'bad.json", line 3: rule 1: "minSeconds" must be a number' "$work/err" || fail "bad profile: $(cat "$work/err")"

# The shipped profiles keep the documented schema.
if python3 -c 'import jsonschema' 2>/dev/null; then
    python3 - "$profiles" "$(dirname "$0")/../../docs/profile.schema.json" <<'PY' || fail "schema"
import json, sys, pathlib, jsonschema
schema = json.load(open(sys.argv[2], encoding="utf-8"))
for p in sorted(pathlib.Path(sys.argv[1]).glob("*.json")):
    jsonschema.validate(json.load(open(p, encoding="utf-8")), schema)
PY
else
    echo "note: python3 jsonschema missing, the schema check of the examples is left out"
fi
echo ok
