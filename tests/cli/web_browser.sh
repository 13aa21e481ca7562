#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The live view in a real browser (headless Chromium): the page loads from kelvor-cli
# serving the simulated meter, shows the four readings, the run and a chart over the
# WebSocket, follows the meter, and fits a phone and a desktop screen; served for three
# meters, it shows each meter's card with its name and connection and a legend key per
# channel. Skips (77) where Chromium is missing or cannot start.
set -u
bin="$1"
cli="$bin/kelvor-cli"
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
pid=
trap '[ -n "$pid" ] && kill "$pid" 2>/dev/null; wait 2>/dev/null; rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

browser=$(command -v chromium || command -v chromium-browser || command -v google-chrome || true)
[ -n "$browser" ] || { echo "SKIP: no chromium on this system"; exit 77; }
run_browser() {
    timeout 90 "$browser" --headless --no-sandbox --disable-gpu --hide-scrollbars --no-first-run \
        --user-data-dir="$work/profile" --virtual-time-budget=6000 "$@" 2>>"$work/browser.err"
}
run_browser --dump-dom about:blank >"$work/blank" || { echo "SKIP: chromium cannot start: $(tail -3 "$work/browser.err")"; exit 77; }
grep -q "<body" "$work/blank" || { echo "SKIP: chromium gave no page: $(tail -3 "$work/browser.err")"; exit 77; }

"$cli" --meter=sim record --interval 00:00 --data-dir "$work" -q --serve 127.0.0.1:0 >/dev/null 2>"$work/err" &
pid=$!
for _ in $(seq 100); do
    link=$(sed -n 's/^kelvor-cli: live view at //p' "$work/err")
    [ -n "$link" ] && break
    sleep 0.1
done
[ -n "$link" ] || fail "kelvor-cli did not serve: $(cat "$work/err")"
sleep 2

# A loaded machine may not open the WebSocket within the browser's time budget: a few tries.
dump() {
    for _ in 1 2 3 4 5; do
        run_browser --dump-dom "$link" >"$1" || fail "chromium failed: $(tail -5 "$work/browser.err")"
        grep -q 'class="pill live"' "$1" && return 0
    done
}
dump "$work/dom1.html"
sleep 5
dump "$work/dom2.html"
run_browser --window-size=390,844 --screenshot="$work/phone.png" "$link" >/dev/null || fail "phone screenshot"
run_browser --window-size=1366,768 --screenshot="$work/desktop.png" "$link" >/dev/null || fail "desktop screenshot"
# Kept beside the programs for a look.
cp "$work/phone.png" "$bin/web-view-390x844.png"
cp "$work/desktop.png" "$bin/web-view-1366x768.png"
kill "$pid"
wait "$pid" 2>/dev/null

# Three meters, the first named by the user, the second unplugged for good after 25 exchanges.
export XDG_CONFIG_HOME="$work/config"
mkdir -p "$XDG_CONFIG_HOME"
printf '[MeterNames]\nOVEN-A=Oven A\n' >"$XDG_CONFIG_HOME/TOVRA.conf"
"$cli" --meter=sim:serial=OVEN-A --meter=sim:serial=OVEN-B,faults=unplug@25+* --meter=sim:serial=COLD-1 \
    record --interval 00:00 --data-dir "$work/several" -q --serve 127.0.0.1:0 >/dev/null 2>"$work/err3" &
pid=$!
link=
for _ in $(seq 100); do
    link=$(sed -n 's/^kelvor-cli: live view at //p' "$work/err3")
    [ -n "$link" ] && break
    sleep 0.1
done
[ -n "$link" ] || fail "kelvor-cli did not serve three meters: $(cat "$work/err3")"
sleep 8
dump "$work/several.html"
run_browser --window-size=390,844 --screenshot="$work/several-phone.png" "$link" >/dev/null || fail "phone screenshot"
run_browser --window-size=1366,768 --screenshot="$work/several-desktop.png" "$link" >/dev/null ||
    fail "desktop screenshot"
cp "$work/several-phone.png" "$bin/web-view-three-meters-390x844.png"
cp "$work/several-desktop.png" "$bin/web-view-three-meters-1366x768.png"

PYTHONPATH="$here/support" python3 - "$work" <<'PY' || exit 1
import html.parser, re, sys
from pngpixels import png, right_edge_problem
work = sys.argv[1]

class Page(html.parser.HTMLParser):
    """The readings tiles, the meters' cards, the connection pill, the run's figures, the
    chart canvas and its legend."""
    def __init__(self):
        super().__init__()
        self.tiles, self.cards, self.pill, self.fields, self.canvas = [], [], None, {}, None
        self.keys, self.meter_keys = [], []
        self._into = None
    def handle_starttag(self, tag, attrs):
        a = dict(attrs)
        cls = a.get("class", "")
        classes = cls.split()
        if "tile" in classes:
            self.tiles.append({"value": "", "unit": ""})
        elif "card" in classes and "meter" in classes:
            self.cards.append({"who": "", "state": "", "off": False})
        elif cls == "value" and self.tiles:
            self._into = ("tile", "value")
        elif cls == "unit" and self.tiles:
            self._into = ("tile", "unit")
        elif cls == "who" and self.cards:
            self._into = ("card", "who")
        elif "state" in classes and self.cards:
            self.cards[-1]["off"] = "off" in classes
            self._into = ("card", "state")
        elif tag == "button" and "key" in classes:
            self.keys.append(a)
        elif tag == "button" and "legend-meter" in classes:
            self.meter_keys.append("")
            self._into = ("meter-key", None)
        elif a.get("id") == "link":
            self.pill = cls
        elif a.get("id", "").startswith("run-"):
            self._into = ("field", a["id"])
        elif tag == "canvas":
            self.canvas = a
    def handle_data(self, data):
        if not self._into:
            return
        kind, key = self._into
        if kind == "tile":
            self.tiles[-1][key] += data
        elif kind == "card":
            self.cards[-1][key] += data
        elif kind == "meter-key":
            self.meter_keys[-1] += data
        else:
            self.fields[key] = self.fields.get(key, "") + data
    def handle_endtag(self, tag):
        self._into = None

def read(name):
    p = Page()
    p.feed(open(work + "/" + name).read())
    return p

def fail(why):
    print("FAIL:", why)
    sys.exit(1)

pages = [read("dom1.html"), read("dom2.html")]
for p in pages:
    if "live" not in p.pill.split():
        fail("the page never went live over its WebSocket: pill %r" % p.pill)
    if len(p.tiles) != 4:
        fail("four readings wanted, the page shows %d" % len(p.tiles))
    for t in p.tiles:
        v = t["value"].strip()
        if not (re.fullmatch(r"-?\d+\.\d", v) and t["unit"] in ("°C", "°F")) and not (v in ("OL", "----") and not t["unit"]):
            fail("a reading the meter would not show: %s" % t)
    if not p.canvas or int(p.canvas.get("width", "0")) < 200:
        fail("no chart drawn: %s" % p.canvas)
    if p.fields.get("run-state") != "recording" or int(p.fields.get("run-samples", "0")) < 5:
        fail("run figures: %s" % p.fields)
a, b = pages
if int(b.fields["run-samples"]) <= int(a.fields["run-samples"]):
    fail("the sample count did not move: %s then %s" % (a.fields, b.fields))
if [t["value"] for t in a.tiles] == [t["value"] for t in b.tiles]:
    fail("the readings did not follow the meter over 5 s: %s" % [t["value"] for t in a.tiles])
if len(a.keys) != 4 or a.meter_keys:
    fail("a legend key per channel of one meter: %s %s" % (a.keys, a.meter_keys))

# Three meters: a card each, named, with its own connection; a legend key per channel.
p = read("several.html")
if "live" not in p.pill.split():
    fail("the page of three meters never went live: pill %r" % p.pill)
if len(p.tiles) != 12 or len(p.cards) != 3:
    fail("three meters of four readings wanted, the page shows %d cards, %d readings" % (len(p.cards), len(p.tiles)))
whos = [c["who"] for c in p.cards]
if not (whos[0].startswith("Oven A") and "OVEN-B" in whos[1] and "COLD-1" in whos[2]):
    fail("the cards' names: %s" % whos)
if [c["off"] for c in p.cards] != [False, True, False] or p.cards[1]["state"] != "not connected":
    fail("each meter's connection: %s" % p.cards)
if [t["value"] for t in p.tiles[4:8]] != ["----"] * 4:
    fail("the unplugged meter still shows readings: %s" % p.tiles[4:8])
for t in p.tiles[:4] + p.tiles[8:]:
    v = t["value"].strip()
    if not re.fullmatch(r"-?\d+\.\d", v) and v not in ("OL", "----"):
        fail("a reading the meter would not show: %s" % t)
if len(p.keys) != 12 or [k.get("aria-pressed") for k in p.keys] != ["true"] * 12:
    fail("a shown legend key per channel of three meters: %s" % p.keys)
if [k.get("title") for k in p.keys[:5]] != ["Oven A T1", "Oven A T2", "Oven A T3", "Oven A T4", "OVEN-B T1"]:
    fail("legend keys name their meter: %s" % [k.get("title") for k in p.keys])
if p.meter_keys != ["Oven A", "OVEN-B", "COLD-1"]:
    fail("a legend button per meter: %s" % p.meter_keys)
if not p.canvas or int(p.canvas.get("width", "0")) < 200:
    fail("no chart drawn for three meters: %s" % p.canvas)

for name, size in (("phone.png", (390, 844)), ("desktop.png", (1366, 768)),
                   ("several-phone.png", (390, 844)), ("several-desktop.png", (1366, 768))):
    problem = right_edge_problem(work + "/" + name, size)
    if problem:
        fail(problem)
    print("layout of %s checked at %dx%d" % (name, size[0], size[1]))
PY
exit 0
