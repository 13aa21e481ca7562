#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The live view in a real browser (headless Chromium): the page loads from kelvor-cli
# serving the simulated meter, shows the four readings, the run and a chart over the
# WebSocket, follows the meter, and fits a phone and a desktop screen. Skips (77) where
# Chromium is missing or cannot start.
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

python3 - "$work" <<'PY' || exit 1
import html.parser, re, struct, sys, zlib
work = sys.argv[1]

class Page(html.parser.HTMLParser):
    """The readings tiles, the connection pill, the run's figures and the chart canvas."""
    def __init__(self):
        super().__init__()
        self.tiles, self.pill, self.fields, self.canvas = [], None, {}, None
        self._into = None
    def handle_starttag(self, tag, attrs):
        a = dict(attrs)
        cls = a.get("class", "")
        if "tile" in cls.split():
            self.tiles.append({"value": "", "unit": ""})
        elif cls == "value" and self.tiles:
            self._into = ("tile", "value")
        elif cls == "unit" and self.tiles:
            self._into = ("tile", "unit")
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

def png(path):
    """Width, height and rows of RGB(A) pixels of a non-interlaced 8-bit PNG."""
    data = open(path, "rb").read()
    assert data[:8] == b"\x89PNG\r\n\x1a\n"
    pos, idat, w = 8, b"", 0
    while pos < len(data):
        n, kind = struct.unpack(">I4s", data[pos:pos + 8])
        chunk = data[pos + 8:pos + 8 + n]
        if kind == b"IHDR":
            w, h, depth, color = struct.unpack(">IIBB", chunk[:10])
            bpp = {2: 3, 6: 4}[color]
        elif kind == b"IDAT":
            idat += chunk
        pos += 12 + n
    raw, rows, prev = zlib.decompress(idat), [], bytearray(w * bpp)
    stride = w * bpp + 1
    for y in range(h):
        f, line = raw[y * stride], bytearray(raw[y * stride + 1:(y + 1) * stride])
        for i in range(len(line)):
            left = line[i - bpp] if i >= bpp else 0
            up, ul = prev[i], prev[i - bpp] if i >= bpp else 0
            if f == 1: line[i] = (line[i] + left) & 255
            elif f == 2: line[i] = (line[i] + up) & 255
            elif f == 3: line[i] = (line[i] + (left + up) // 2) & 255
            elif f == 4:
                pa, pb, pc = abs(up - ul), abs(left - ul), abs(left + up - 2 * ul)
                line[i] = (line[i] + (left if pa <= pb and pa <= pc else up if pb <= pc else ul)) & 255
        rows.append(line)
        prev = line
    return w, h, bpp, rows

for name, size in (("phone.png", (390, 844)), ("desktop.png", (1366, 768))):
    w, h, bpp, rows = png(work + "/" + name)
    if (w, h) != size:
        fail("%s is %dx%d, not %dx%d" % (name, w, h, *size))
    # Below the header, the rightmost columns are the page's margin: no card runs off the screen.
    for y in range(60, h):
        for x in (w - 3, w - 1):
            px = tuple(rows[y][x * bpp:x * bpp + 3])
            if px != (0xf4, 0xf5, 0xf7) and px != (0xff, 0xff, 0xff):
                fail("%s: something reaches the right edge at y=%d: %s" % (name, y, px))
            if px == (0xff, 0xff, 0xff):
                fail("%s: a card runs off the right edge at y=%d" % (name, y))
    print("layout checked at %dx%d" % size)
PY
exit 0
