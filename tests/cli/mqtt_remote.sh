#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# A remote meter through a private mosquitto broker: program A records a simulated meter
# and publishes it, program B records it (--meter=mqtt://...) beside a simulated meter of
# its own. B's library holds A's samples, in order; A killed mid-run leaves a gap in B's
# remote channels only, and a new A fills them again; bad payloads published beside A's
# are dropped with a line in B's log while B goes on; a bad address is refused.
set -u
bin="$1"
cli="$bin/kelvor-cli"
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
pids=()
cleanup() {
    for p in "${pids[@]}"; do kill -9 "$p" 2>/dev/null; done
    stop_broker
    rm -rf "$work"
}
trap cleanup EXIT
. "$here/support/mosquitto.sh"
command -v mosquitto_pub >/dev/null || { echo "SKIP: mosquitto_pub (mosquitto-clients) is not installed"; exit 77; }
fail() { echo "FAIL: $*"; exit 1; }
export XDG_CONFIG_HOME="$work/config"
mkdir -p "$XDG_CONFIG_HOME"

# --- addresses refused before anything is opened
for bad in "mqtt://127.0.0.1:1883" "mqtt://127.0.0.1:99999/kelvor/X" "mqtt://127.0.0.1/kelvor/+"; do
    "$cli" --data-dir "$work/none" record --meter="$bad" >/dev/null 2>"$work/bad.err"
    [ $? -eq 2 ] || fail "--meter=$bad taken: $(cat "$work/bad.err")"
done
grep -q "names no meter" <("$cli" --data-dir "$work/none" live --meter=mqtt://127.0.0.1 2>&1) ||
    fail "an address without a prefix is not told as such"
"$cli" probe --meter=mqtt://127.0.0.1/kelvor/X >/dev/null 2>"$work/bad.err"
[ $? -eq 2 ] && grep -q "read by record and live" "$work/bad.err" || fail "probe took a remote meter: $(cat "$work/bad.err")"

port=$(free_port)
conf="$work/broker.conf"
write_broker_config "$conf" "$port" "allow_anonymous true"
start_broker "$conf"
url="mqtt://127.0.0.1:$port"
prefix=kelvor/KV4-SIM-00001

# A: a sample a second, samples only (no live readings), so B holds what A's library holds.
start_a() {
    "$cli" --meter=sim --data-dir "$work/$1" record --interval 00:01 -q --mqtt "$url" --mqtt-live 0 \
        2>"$work/$1.err" &
    a_pid=$!
    pids+=($a_pid)
    wait_for 1 "$work/$1.err" 'MQTT: connected' 10 || fail "A did not connect: $(cat "$work/$1.err")"
}
start_a a1
: >"$work/b.log"
# B: a row every round (five a second), so each of A's samples is in several rows.
"$cli" --log "$work/b.log" --data-dir "$work/b" record --meter=sim:serial=LOCAL-1 --meter="$url/$prefix" \
    --interval 00:00 --count 150 -q 2>"$work/b.err" &
b_pid=$!
pids+=($b_pid)
wait_for 1 "$work/b.log" 'remote meter .*readings arrive' 15 || fail "B got no reading: $(cat "$work/b.err")"
sleep 3

# Bad payloads beside A's: each is dropped; 300 at once are cut to a rate and counted.
now=$(date +%Y-%m-%dT%H:%M:%S%:z)
pub() { mosquitto_pub -p "$port" -t "$prefix/sample" -m "$1" || fail "mosquitto_pub failed"; }
pub '{"time":'
pub "{\"time\":\"$now\",\"T1\":true,\"T2\":1,\"T3\":1,\"T4\":1}"
pub "{\"time\":\"2999-01-01T00:00:00+00:00\",\"T1\":777,\"T2\":777,\"T3\":777,\"T4\":777}"
pub "{\"time\":\"2000-01-01T00:00:00+00:00\",\"T1\":777,\"T2\":777,\"T3\":777,\"T4\":777}"
python3 -c 'print("{\"T1\":" + "1" * 6000 + "}")' >"$work/huge"
mosquitto_pub -p "$port" -t "$prefix/live" -f "$work/huge" || fail "mosquitto_pub failed"
mosquitto_pub -p "$port" -t "$prefix/status" -m "sleeping" || fail "mosquitto_pub failed"
python3 -c 'print("\n".join("{\"time\":\"2000-01-01T00:00:00+00:00\",\"T1\":777,\"T2\":1,\"T3\":1,\"T4\":1}" for _ in range(300)))' |
    mosquitto_pub -p "$port" -t "$prefix/sample" -l || fail "mosquitto_pub failed"
sleep 3

# A goes without a goodbye; its last will says it is offline.
kill -9 "$a_pid"
wait "$a_pid" 2>/dev/null
sleep 4
start_a a2
wait "$b_pid"
rc=$?
kill -INT "$a_pid"
wait "$a_pid" 2>/dev/null
[ $rc -eq 0 ] || fail "B exit $rc: $(cat "$work/b.err")"
grep -q "no readings from $prefix on 127.0.0.1:$port (its publisher is offline); a gap" "$work/b.err" ||
    fail "B did not say the gap: $(cat "$work/b.err")"
grep -q "readings from $prefix on 127.0.0.1:$port arrive again" "$work/b.err" ||
    fail "B did not say the readings came back: $(cat "$work/b.err")"

python3 - "$work" <<'PY' || exit 1
import re, sqlite3, sys
work = sys.argv[1]
def lib(name):
    return sqlite3.connect("file:%s/%s/kelvor.sqlite?mode=ro" % (work, name), uri=True)
def reading(flags, *t):
    # A channel showing "OL" or "----" travels as that text, without the value behind it.
    return (flags,) + tuple(None if flags & (0x11 << c) else v for c, v in enumerate(t))
def samples(name):
    return [reading(*r) for r in lib(name).execute("SELECT flags, t1, t2, t3, t4 FROM samples ORDER BY recording_id, seq")]
b = lib("b")
(rid,) = b.execute("SELECT id FROM recordings").fetchone()
meters = b.execute("SELECT meter, serial FROM recording_meters WHERE recording_id = ? ORDER BY meter", (rid,)).fetchall()
if meters != [(0, "LOCAL-1"), (1, "KV4-SIM-00001")]:
    sys.exit("FAIL: B's meters %s" % meters)
local = b.execute("SELECT seq, meters_absent FROM samples WHERE recording_id = ? ORDER BY seq", (rid,)).fetchall()
if [s for s, _ in local] != list(range(150)) or any(a & 1 for _, a in local):
    sys.exit("FAIL: B's local meter has gaps: %s" % local)
remote = {s: reading(*r) for s, *r in b.execute(
    "SELECT seq, flags, t1, t2, t3, t4 FROM meter_samples WHERE recording_id = ? AND meter = 1", (rid,))}
present = [s in remote for s in range(150)]
# Present, then a stretch of gap (A away), then present again (A back).
runs = [present[0]]
for p in present[1:]:
    if p != runs[-1]:
        runs.append(p)
if runs[-3:] != [True, False, True]:
    sys.exit("FAIL: B's remote rows go %s" % "".join("x" if p else "." for p in present))
gap = present.index(False, present.index(True))
def distinct(readings):
    out = []
    for r in readings:
        if not out or out[-1] != r:
            out.append(r)
    return out
first = distinct(remote[s] for s in range(gap) if s in remote)
second = distinct(remote[s] for s in range(gap, 150) if s in remote)
def contiguous(part, whole, what):
    whole = distinct(whole)
    for i in range(len(whole) - len(part) + 1):
        if whole[i:i + len(part)] == part:
            return
    sys.exit("FAIL: B's readings of %s are not a stretch of its samples:\n%s\n%s" % (what, part, whole))
if len(first) < 5 or len(second) < 2:
    sys.exit("FAIL: too few of A's samples in B: %d, %d" % (len(first), len(second)))
contiguous(first, samples("a1"), "the first A")
contiguous(second, samples("a2"), "the second A")
if any(777 in r for r in remote.values()):
    sys.exit("FAIL: B took an injected reading")
print("B: %d rows, %d with the remote meter; %d + %d of A's samples" % (len(local), len(remote), len(first), len(second)))
PY

# Each bad payload one line in B's log, the flood's rest in a count.
for line in "a reading that is no JSON" "T1 is no number" "ahead of this computer's clock" \
    "no current reading" "a message of [0-9]* bytes" "neither \"online\" nor \"offline\"" \
    "dropped [0-9]* more messages"; do
    grep -q "remote meter $prefix on 127.0.0.1:$port: dropped.*$line\|remote meter .*: $line" "$work/b.log" ||
        fail "B's log does not say '$line': $(grep 'remote meter' "$work/b.log" | head -30)"
done
exit 0
