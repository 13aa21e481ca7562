#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# kelvor-cli on the simulated meter, and a capture of it replayed to the same output.
set -u
bin="$1"
cli="$bin/kelvor-cli"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

if ! "$cli" --meter=sim probe >"$work/probe" 2>"$work/err"; then
    grep -q "not built yet" "$work/err" && { echo "SKIP: no simulated meter in this build"; exit 77; }
    fail "probe on sim: $(cat "$work/err")"
fi
grep -qx "model code: QZX" "$work/probe" || fail "sim probe printed: $(cat "$work/probe")"

"$cli" --meter=sim --capture "$work/sim.capture" live --count 5 --iso >"$work/first.txt" 2>"$work/err" \
    || fail "live on sim exit $?: $(cat "$work/err")"
[ "$(wc -l <"$work/first.txt")" -eq 5 ] || fail "expected 5 readings: $(cat "$work/first.txt")"
awk -F'\t' 'NF != 5 { exit 1 }' "$work/first.txt" || fail "malformed line: $(cat "$work/first.txt")"

"$cli" --meter=replay:"$work/sim.capture" live --iso >"$work/second.txt" 2>"$work/err" \
    || fail "replaying the sim capture exit $?: $(cat "$work/err")"
cut -f2- "$work/first.txt" >"$work/first.values"
cut -f2- "$work/second.txt" >"$work/second.values"
cmp -s "$work/first.values" "$work/second.values" \
    || fail "replay differs: $(diff "$work/first.values" "$work/second.values")"

# A whole memory download (frames, 36-byte blocks) replays to the same collection file.
"$cli" --meter=sim --capture "$work/dl.capture" download -o "$work/a.ch4" >/dev/null 2>&1 \
    || fail "download from sim exit $?"
"$cli" --meter=replay:"$work/dl.capture" download -o "$work/b.ch4" >/dev/null 2>&1 \
    || fail "download from its capture exit $?"
cmp -s "$work/a.ch4" "$work/b.ch4" || fail "the replayed download differs"
echo "ok"
