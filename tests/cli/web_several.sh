#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The browser view of a run of three meters (kelvor-cli record --serve), one of them
# unplugged for good mid-run: the API names every meter with its own connection, each
# sample time carries all twelve channels (null where a meter gave none), the stream
# and /api/run agree and match the run's --csv table, and the metrics label each meter.
# Then `live` with two meters serves both meters' readings.
set -u
bin="$1"
cli="$bin/kelvor-cli"
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
pids=()
cleanup() {
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done
    wait 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; exit 1; }

. "$here/support/webserve.sh"
port_of() { local p=${1##*:}; echo "${p%%/*}"; }

# The name the windowed program keeps for a serial.
export XDG_CONFIG_HOME="$work/config"
mkdir -p "$XDG_CONFIG_HOME"
printf '[MeterNames]\nOVEN-A=Oven A\n' >"$XDG_CONFIG_HOME/TOVRA.conf"

# OVEN-B stops answering at its 25th exchange and never comes back.
serve --meter=sim:serial=OVEN-A --meter=sim:serial=OVEN-B,faults=unplug@25+* --meter=sim:serial=COLD-1 \
    record --interval 00:00 --data-dir "$work/data" -q --csv "$work/run.csv" --serve 127.0.0.1:0
record=$pid
port=$(port_of "$link")

PYTHONPATH="$here/support" python3 - "$port" "$work" <<'PY' || exit 1
import json, re, shutil, subprocess, sys, time
from webclient import get, WebSocket

port, work = int(sys.argv[1]), sys.argv[2]
serials = ["OVEN-A", "OVEN-B", "COLD-1"]

def fail(why):
    print("FAIL:", why)
    sys.exit(1)

def api(path):
    status, headers, body = get(port, path)
    if status != 200 or headers.get("content-type") != "application/json":
        fail("%s: %s %s %s" % (path, status, headers.get("content-type"), body[:200]))
    return json.loads(body)

# Until OVEN-B has gone and the run has gone on without it for a while.
for _ in range(200):
    readings = api("/api/readings")["meters"]
    status = api("/api/status")
    if len(readings) == 3 and not readings[1]["connected"] and status["run"]["samples"] >= 40:
        break
    time.sleep(0.1)
else:
    fail("OVEN-B never went, or too few samples: %s %s" % (readings, status["run"]))

meters = status["meters"]
if [m["serial"] for m in meters] != serials or [m["index"] for m in meters] != [0, 1, 2]:
    fail("meters: %s" % meters)
if meters[0].get("name") != "Oven A" or "name" in meters[1] or "name" in meters[2]:
    fail("meter names: %s" % meters)
if [m["connected"] for m in meters] != [True, False, True]:
    fail("connection states: %s" % meters)
channels = [(c["meter"], c["name"]) for c in status["channels"]]
if channels != [(m, "T%d" % (c + 1)) for m in range(3) for c in range(4)]:
    fail("channels: %s" % status["channels"])
for i, m in enumerate(readings):
    if m["index"] != i or m["serial"] != serials[i]:
        fail("readings of meter %d: %s" % (i, m))
    if i == 1:
        if m["readings"]:
            fail("a meter that is gone still shows readings: %s" % m)
        continue
    if not m["connected"] or [r["name"] for r in m["readings"]] != ["T1", "T2", "T3", "T4"]:
        fail("readings of meter %d: %s" % (i, m))

def whole_run():
    samples, since = [], 0
    while True:
        page = api("/api/run?limit=25&since=%d" % since)
        samples += page["samples"]
        since = page["next"]
        if page["complete"]:
            return page["run"], samples

number, samples = whole_run()
if [s["seq"] for s in samples] != list(range(len(samples))):
    fail("/api/run pages do not join: %s" % [s["seq"] for s in samples][:60])
b_there = []
for s in samples:
    if len(s["values"]) != 12 or "source" in s:
        fail("a sample time of three meters: %s" % s)
    a, b, c = s["values"][0:4], s["values"][4:8], s["values"][8:12]
    if None in a or None in c:
        fail("a meter that stayed has a gap at %d: %s" % (s["seq"], s))
    if len(set(v is None for v in b)) != 1:
        fail("OVEN-B is half there at %d: %s" % (s["seq"], s))
    b_there.append(b[0] is not None)
gone = b_there.index(False) if False in b_there else len(b_there)
if gone < 5 or any(b_there[gone:]) or len(b_there) - gone < 5:
    fail("OVEN-B should be there at first, then gone for good: %s" % b_there)
if samples[0]["values"][0:4] == samples[0]["values"][8:12]:
    fail("two meters read the same: %s" % samples[0])

# The stream: every sample time once, in order, as /api/run has it; after a drop the rest.
def collect(ws, seconds, got):
    end = time.time() + seconds
    while time.time() < end:
        kind, *rest = ws.recv()
        if kind == "close":
            fail("the server closed the stream: %s" % rest)
        m = json.loads(rest[0])
        if m["type"] == "hello" and len(m["status"]["channels"]) != 12:
            fail("hello: %s" % m["status"])
        if m["type"] == "samples":
            got += m["samples"]

got = []
ws = WebSocket(port, "/ws?since=0")
collect(ws, 1.5, got)
ws.close()
time.sleep(1.0)
ws = WebSocket(port, "/ws?since=%d&run=%d" % (len(got), number))
collect(ws, 1.0, got)
ws.close()
if [s["seq"] for s in got] != list(range(len(got))) or len(got) <= len(samples):
    fail("the stream is not every sample time once in order: %s" % [s["seq"] for s in got])
for s in samples:
    if got[s["seq"]] != s:
        fail("stream and /api/run differ at %d: %s %s" % (s["seq"], got[s["seq"]], s))
json.dump(got, open(work + "/served.json", "w"))

metrics = get(port, "/metrics")[2].decode()
def labels(i):
    return 'meter="%d",model="QZX",serial="%s"' % (i, serials[i])
for i, want in ((0, 1), (1, 0), (2, 1)):
    if "\nkelvor_meter_connected{%s} %d\n" % (labels(i), want) not in metrics:
        fail("meter %d's connection: %s" % (i, re.findall(r"kelvor_meter_connected.*", metrics)))
for i in (0, 2):
    for c in range(1, 5):
        if not re.search(r'\nkelvor_channel_reading\{%s,channel="T%d"\} [01]\n' % (re.escape(labels(i)), c), metrics):
            fail("meter %d T%d has no reading gauge" % (i, c))
if "serial=\"OVEN-B\",channel=" in metrics:
    fail("a meter that is gone still has channel gauges")
if 'kelvor_alarm_active{%s,channel="T1"} 0' % labels(0) not in metrics:
    fail("alarms without the first meter's labels: %s" % re.findall(r"kelvor_alarm_active.*", metrics))
promtool = shutil.which("promtool")
if promtool:
    p = subprocess.run([promtool, "check", "metrics"], input=metrics.encode(), capture_output=True)
    if p.returncode != 0:
        fail("promtool: %s" % (p.stdout + p.stderr).decode())
else:
    print("note: promtool is not installed; the metrics were checked by pattern only")
PY

# What the view served is what the run wrote to its table, gaps included.
kill -INT "$record"
wait "$record" || fail "record exit $? after Ctrl-C"
python3 - "$work" <<'PY' || exit 1
import csv, json, sys
work = sys.argv[1]
served = json.load(open(work + "/served.json"))
rows = list(csv.reader(open(work + "/run.csv", newline="")))
header, body = rows[0], rows[1:]
names = ["Oven A", "OVEN-B", "COLD-1"]
if header != ["time"] + ["%s T%d" % (n, c) for n in names for c in range(1, 5)]:
    sys.exit("FAIL: table header %s" % header)
if len(body) < len(served):
    sys.exit("FAIL: the table has %d rows, the view served %d" % (len(body), len(served)))
for s, row in zip(served, body):
    shown = ["" if v is None else v if isinstance(v, str) else "%.1f" % v for v in s["values"]]
    if shown != row[1:] or not s["time"].startswith(row[0][:19]):
        sys.exit("FAIL: sample %d: view %s %s, table %s" % (s["seq"], s["time"], shown, row))
PY

# live with two meters: both meters' readings, no run.
serve --meter=sim:serial=OVEN-A --meter=sim:serial=COLD-1 live --serve 127.0.0.1:0
PYTHONPATH="$here/support" python3 - "$(port_of "$link")" <<'PY' || exit 1
import json, sys, time
from webclient import get, WebSocket
port = int(sys.argv[1])
for _ in range(100):
    meters = json.loads(get(port, "/api/readings")[2])["meters"]
    if len(meters) == 2 and all(m["readings"] for m in meters):
        break
    time.sleep(0.1)
else:
    sys.exit("FAIL: live readings of two meters: %s" % meters)
if [m["serial"] for m in meters] != ["OVEN-A", "COLD-1"] or meters[0].get("name") != "Oven A":
    sys.exit("FAIL: live meters: %s" % meters)
hello = json.loads(WebSocket(port, "/ws").recv()[1])
status = hello["status"]
if status["run"]["state"] != "none" or len(status["channels"]) != 8 or len(hello["readings"]["meters"]) != 2:
    sys.exit("FAIL: live hello: %s" % hello)
PY
exit 0
