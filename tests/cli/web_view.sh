#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# kelvor-cli record/live --serve: the browser view's API, metrics, WebSocket stream and
# bounds, read by a client of Python's standard library (and promtool where installed).
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

# Refused before anything starts.
for bad in "--serve 99999" "--serve example.org:80" "--serve-token x" "--serve 0 --serve-token a/b" \
           "--serve 0 --serve-key k.pem"; do
    # shellcheck disable=SC2086
    "$cli" --meter=sim record --data-dir "$work/refused" $bad 2>"$work/err" && fail "record $bad was accepted"
    [ ! -e "$work/refused/kelvor.sqlite" ] || fail "record $bad opened the library"
done

serve --meter=sim record --interval 00:00 --data-dir "$work" -q --csv "$work/run.csv" --serve 127.0.0.1:0
record=$pid
port=${link##*:}
port=${port%%/*}
[ "$link" = "http://127.0.0.1:$port/" ] || fail "a view on this computer needs no token: $link"

PYTHONPATH="$here/support" python3 - "$port" "$record" "$work" <<'PY' || exit 1
import json, os, re, shutil, subprocess, sys, time
from webclient import get, raw, WebSocket, Refused

port, pid, work = int(sys.argv[1]), int(sys.argv[2]), sys.argv[3]

def fail(why):
    print("FAIL:", why)
    sys.exit(1)

def api(path):
    status, headers, body = get(port, path)
    if status != 200:
        fail("%s: %s %s" % (path, status, body))
    if headers.get("content-type") != "application/json":
        fail("%s: content type %s" % (path, headers.get("content-type")))
    return json.loads(body)

def whole_run():
    samples, since = [], 0
    while True:
        page = api("/api/run?limit=400&since=%d" % since)
        samples += page["samples"]
        since = page["next"]
        if page["complete"]:
            return page["run"], samples

# Wait for a few samples.
for _ in range(100):
    status = api("/api/status")
    if status["run"]["samples"] >= 10:
        break
    time.sleep(0.1)
else:
    fail("no samples: %s" % status)
run = status["run"]
if run["state"] != "recording" or run["rateSeconds"] != 0 or status["meters"][0]["model"] != "QZX":
    fail("status: %s" % status)
if [c["name"] for c in status["channels"]] != ["T1", "T2", "T3", "T4"]:
    fail("channels: %s" % status["channels"])

readings = api("/api/readings")["meters"][0]
if not readings["connected"] or len(readings["readings"]) != 4 or readings["unit"] not in ("°C", "°F"):
    fail("readings: %s" % readings)
for r in readings["readings"]:
    if r["state"] == "ok" and float(r["text"]) != round(r["celsius"], 1) and readings["unit"] == "°C":
        fail("reading text %s" % r)
    if r["state"] != "ok" and (r["text"] != r["state"] or r["celsius"] is not None):
        fail("OL/---- reading %s" % r)

# The WebSocket: every sample once and in order, then after a drop the missed ones.
def collect(ws, seconds, got):
    end = time.time() + seconds
    hello = None
    while time.time() < end:
        kind, *rest = ws.recv()
        if kind == "close":
            fail("the server closed the stream: %s" % rest)
        m = json.loads(rest[0])
        if m["type"] == "hello":
            hello = m
        elif m["type"] == "samples":
            got += [(s["seq"], s) for s in m["samples"]]
    return hello

got = []
ws = WebSocket(port, "/ws?since=0")
hello = collect(ws, 2.0, got)
ws.close()
if not hello or hello["status"]["run"]["number"] != run["number"] or "readings" not in hello:
    fail("hello: %s" % hello)
seqs = [s for s, _ in got]
if seqs != list(range(len(seqs))) or len(seqs) < 10:
    fail("first stream not 0..n once in order: %s" % seqs)
time.sleep(1.5)  # samples go on without the viewer
ws = WebSocket(port, "/ws?since=%d&run=%d" % (len(seqs), run["number"]))
collect(ws, 1.5, got)
ws.close()
seqs = [s for s, _ in got]
if seqs != list(range(len(seqs))):
    fail("after the reconnect, not every sample once in order: %s" % seqs)
number, samples = whole_run()
if number != run["number"] or [s["seq"] for s in samples] != list(range(len(samples))):
    fail("/api/run pages do not join: %s" % [s["seq"] for s in samples][:50])
for seq, s in got:
    if samples[seq] != s:
        fail("stream and /api/run differ at %d: %s %s" % (seq, s, samples[seq]))
# A client that saw another run gets this one from its start.
ws = WebSocket(port, "/ws?since=5&run=%d" % (run["number"] + 7))
other = []
collect(ws, 0.5, other)
ws.close()
if not other or other[0][0] != 0:
    fail("a client of another run must start at 0: %s" % [s for s, _ in other][:5])
json.dump(samples, open(os.path.join(work, "served.json"), "w"))

# Requests that are refused, and how.
head = lambda path: ("GET %s HTTP/1.1\r\nHost: 127.0.0.1:%d\r\n" % (path, port)).encode()
cases = [
    ("binary bytes", b"\x16\x03\x01\x00\xa5\x01\x00\x00", b"HTTP/1.1 400 "),
    ("a bare line feed", b"GET / HTTP/1.1\nHost: x\n\n", b"HTTP/1.1 400 "),
    ("no Host", b"GET / HTTP/1.1\r\n\r\n", b"HTTP/1.1 400 "),
    ("a huge head", head("/") + b"X: " + b"a" * 9000 + b"\r\n\r\n", b"HTTP/1.1 431 "),
    ("a body", head("/api/status") + b"Content-Length: 3\r\n\r\nabc", b"HTTP/1.1 413 "),
    ("a POST", b"POST /api/status HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Length: 0\r\n\r\n", b"HTTP/1.1 405 "),
    ("a DELETE", head("/api/run").replace(b"GET", b"DELETE") + b"Connection: close\r\n\r\n", b"HTTP/1.1 405 "),
    ("a bad number", head("/api/run?since=ten") + b"Connection: close\r\n\r\n", b"HTTP/1.1 400 "),
    ("a broken escape", head("/api/run?since=%zz") + b"Connection: close\r\n\r\n", b"HTTP/1.1 400 "),
    ("an unknown path", head("/etc/passwd") + b"Connection: close\r\n\r\n", b"HTTP/1.1 404 "),
    ("a name that points here", b"GET /api/status HTTP/1.1\r\nHost: evil.example\r\nConnection: close\r\n\r\n",
     b"HTTP/1.1 403 "),
    ("/ws without upgrade", head("/ws") + b"Connection: close\r\n\r\n", b"HTTP/1.1 400 "),
]
for name, data, want in cases:
    reply = raw(port, data)
    if not reply.startswith(want):
        fail("%s: wanted %s, got %r" % (name, want, reply[:200]))
try:
    WebSocket(port, "/ws", origin="http://evil.example")
    fail("a WebSocket from another site's page was taken")
except Refused as e:
    if e.status != 403:
        fail("another site's WebSocket: %s" % e.status)
try:
    WebSocket(port, "/api/status")
    fail("an upgrade on another path was taken")
except Refused as e:
    if e.status != 404:
        fail("upgrade elsewhere: %s" % e.status)

# A client that sends half a head and stops is let go, and does not hold the others.
import socket as socketlib
idle = socketlib.create_connection(("127.0.0.1", port))
idle.sendall(b"GET /api/status HTTP/1.1\r\n")
api("/api/status")

# 32 viewers; the 33rd is told why not.
viewers = []
for i in range(32):
    viewers.append(WebSocket(port, "/ws?since=%d&run=%d" % (len(samples), run["number"])))
extra = WebSocket(port, "/ws")
while True:
    kind, *rest = extra.recv()
    if kind == "close":
        break
if rest[0] != 1008 or "32 viewers" not in rest[1]:
    fail("33rd viewer: %s" % rest)
extra.close()
metrics = get(port, "/metrics")[2].decode()
if "\nkelvor_web_viewers 32\n" not in metrics:
    fail("32 viewers not counted: %s" % re.findall(r"kelvor_web_viewers.*", metrics))
for v in viewers:
    v.close()

# The metrics, read by a text-format parser.
def check_metrics(text):
    types, seen = {}, set()
    for line in text.splitlines():
        if line.startswith("# HELP "):
            continue
        m = re.fullmatch(r"# TYPE ([a-zA-Z_:][a-zA-Z0-9_:]*) (gauge|counter|untyped)", line)
        if m:
            if m.group(1) in types:
                fail("type given twice: %s" % line)
            types[m.group(1)] = m.group(2)
            continue
        m = re.fullmatch(r'([a-zA-Z_:][a-zA-Z0-9_:]*)(\{((?:[a-zA-Z_][a-zA-Z0-9_]*="(?:[^"\\\n]|\\.)*",?)*)\})? (\S+)', line)
        if not m or m.group(1) not in types:
            fail("not a metrics line of a declared family: %r" % line)
        float(m.group(4))
        if line.rsplit(" ", 1)[0] in seen:
            fail("series twice: %s" % line)
        seen.add(line.rsplit(" ", 1)[0])
    return types, seen
types, series = check_metrics(metrics)
for family in ("kelvor_temperature_celsius", "kelvor_channel_reading", "kelvor_meter_connected",
               "kelvor_alarm_active", "kelvor_run_samples", "kelvor_web_viewers"):
    if types.get(family) != "gauge":
        fail("no gauge %s" % family)
if 'kelvor_channel_reading{meter="0",model="QZX",serial="KV4-SIM-00001",channel="T4"}' not in series:
    fail("channel labels: %s" % sorted(series))
promtool = shutil.which("promtool")
if promtool:
    p = subprocess.run([promtool, "check", "metrics"], input=metrics.encode(), capture_output=True)
    if p.returncode != 0:
        fail("promtool: %s" % (p.stdout + p.stderr).decode())
else:
    print("note: promtool is not installed; the metrics were read by this test's own parser")

# 100 viewers come and go: the program's memory stays where it was.
def rss():
    for line in open("/proc/%d/status" % pid):
        if line.startswith("VmRSS:"):
            return int(line.split()[1])
def cycles(n):
    for _ in range(n):
        w = WebSocket(port, "/ws?since=%d&run=%d" % (len(samples), run["number"]))
        w.recv()
        w.close()
cycles(30)
before = rss()
cycles(100)
time.sleep(0.5)
after = rss()
if "ASAN_OPTIONS" in os.environ:
    # AddressSanitizer holds freed memory in its quarantine (up to 256 MB), so the resident size
    # says nothing here; under it, LeakSanitizer checks at exit that nothing of a viewer is left.
    print("note: under AddressSanitizer the memory bound is not checked (%d kB -> %d kB)" % (before, after))
elif after - before > 2048:
    fail("100 viewers grew the program by %d kB (%d -> %d)" % (after - before, before, after))
for _ in range(50):
    if "\nkelvor_web_viewers 0\n" in get(port, "/metrics")[2].decode():
        break
    time.sleep(0.1)
else:
    fail("viewers still counted after they left")
print("memory over 100 viewers: %d kB -> %d kB" % (before, after))
idle.close()
PY

# The table the run wrote is what the view served: same samples, same values.
kill -INT "$record"
wait "$record" || fail "record exit $? after Ctrl-C"
python3 - "$work" <<'PY' || exit 1
import csv, json, sys
work = sys.argv[1]
served = json.load(open(work + "/served.json"))
rows = list(csv.DictReader(open(work + "/run.csv")))
if len(rows) < len(served):
    sys.exit("FAIL: the table has %d rows, the view served %d" % (len(rows), len(served)))
for s, row in zip(served, rows):
    values = [row["T%d" % (c + 1)] for c in range(4)]
    shown = [v if isinstance(v, str) else "%.1f" % v for v in s["values"]]
    if shown != values or not s["time"].startswith(row["time"][:19]):
        sys.exit("FAIL: sample %d: view %s %s, table %s %s" % (s["seq"], s["time"], shown, row["time"], values))
PY

# Shared beyond this computer: the token, from another address too.
serve --meter=sim live --serve 0.0.0.0:0
token=${link##*token=}
port=${link##*:}
port=${port%%/*}
[ ${#token} -eq 22 ] || fail "a shared view has a random token: $link"
PYTHONPATH="$here/support" python3 - "$port" "$token" <<'PY' || exit 1
import json, sys, time
from webclient import get, WebSocket, Refused
port, token = int(sys.argv[1]), sys.argv[2]
for source in ("127.0.0.1", "127.0.0.2"):
    for path in ("/", "/api/status", "/api/readings", "/metrics"):
        status = get(port, path, source=source)[0]
        if status != 403:
            sys.exit("FAIL: %s from %s without the token: %d" % (path, source, status))
        status = get(port, path + "?token=" + token, source=source)[0]
        if status != 200:
            sys.exit("FAIL: %s from %s with the token: %d" % (path, source, status))
    if get(port, "/metrics", source=source, headers={"Authorization": "Bearer " + token})[0] != 200:
        sys.exit("FAIL: a bearer token from %s" % source)
    if get(port, "/api/status?token=" + token[:-1] + "x", source=source)[0] != 403:
        sys.exit("FAIL: a wrong token from %s" % source)
    try:
        WebSocket(port, "/ws", source=source)
        sys.exit("FAIL: a WebSocket without the token from %s" % source)
    except Refused as e:
        if e.status != 403:
            sys.exit("FAIL: WebSocket without token: %d" % e.status)
ws = WebSocket(port, "/ws?token=" + token, source="127.0.0.2")
hello = json.loads(ws.recv()[1])
ws.close()
# `live` takes no run: readings only.
if hello["status"]["run"]["state"] != "none" or hello["status"]["run"]["samples"] != 0:
    sys.exit("FAIL: live has no run: %s" % hello["status"]["run"])
for _ in range(50):
    meter = json.loads(get(port, "/api/readings?token=" + token)[2])["meters"][0]
    if meter["readings"]:
        break
    time.sleep(0.1)
if not meter["connected"] or len(meter["readings"]) != 4:
    sys.exit("FAIL: live readings: %s" % meter)
PY
exit 0
