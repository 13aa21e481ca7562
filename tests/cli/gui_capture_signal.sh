#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# A capture of the program stopped by SIGTERM mid-session holds every exchange up to
# then, each line whole, and replays.
set -u
bin="$1"
data="$2"
gui="$bin/kelvor"
cli="$bin/kelvor-cli"
work=$(mktemp -d)
pid=
trap '[ -n "$pid" ] && kill -KILL "$pid" 2>/dev/null; rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
capture="$work/session.capture"
# A data folder with a graph template, so no first-start note waits for a click.
cp -r "$data/datadir" "$work/data"

QT_QPA_PLATFORM=offscreen "$gui" --meter=sim --capture "$capture" --data-dir "$work/data" \
    >"$work/out" 2>&1 &
pid=$!
# Wait for a few live readings (64-byte replies) to be logged.
reads=0
for _ in $(seq 1 300); do
    reads=$(grep -c '^R 64 ' "$capture" 2>/dev/null)
    [ "${reads:-0}" -ge 5 ] && break
    kill -0 "$pid" 2>/dev/null || fail "the program ended early: $(cat "$work/out")"
    sleep 0.1
done
[ "${reads:-0}" -ge 5 ] || fail "no live readings were captured within 30 s"
kill -TERM "$pid"
wait "$pid"
pid=

[ "$(tail -c1 "$capture" | od -An -c | tr -d ' ')" = '\n' ] || fail "the last line is cut short"
after=$(grep -c '^R 64 ' "$capture")
[ "$after" -ge "$reads" ] || fail "the capture lost lines: $reads before the signal, $after after"
"$cli" --meter=replay:"$capture" live --iso >"$work/replayed" 2>"$work/err" \
    || fail "replaying the capture exit $?: $(cat "$work/err")"
[ "$(wc -l <"$work/replayed")" -ge 5 ] || fail "the replay printed: $(cat "$work/replayed") $(cat "$work/err")"
echo "ok"
