#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# kelvor-cli probe and live against replayed meters; a capture replays to the same output.
set -u
bin="$1"
data="$2"
cli="$bin/kelvor-cli"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

out=$("$cli" --meter=replay:"$data/meter-probe.capture" probe) || fail "probe exit $?"
[ "$out" = $'meter: answered\nmodel code: QZX\nserial: (none)' ] || fail "probe printed: $out"

"$cli" --meter=replay:"$data/meter-other-model.capture" probe >"$work/out" 2>"$work/err"
[ $? -eq 1 ] || fail "another model code must exit 1"
grep -q "model code is 'ABC'" "$work/err" || fail "other model: $(cat "$work/err")"

"$cli" --meter=replay:"$work/none.capture" probe 2>"$work/err"
[ $? -eq 1 ] || fail "a missing capture file must exit 1"

"$cli" --meter=bogus probe 2>"$work/err"
[ $? -eq 2 ] || fail "an unknown meter is a bad command line: exit 2"
grep -q "unknown meter 'bogus'" "$work/err" || fail "unknown meter: $(cat "$work/err")"

# The simulated meter lists itself: path, serial and "ok", tab-separated.
out=$("$cli" --meter=sim:seed=7 probe --list) || fail "probe --list exit $?"
[ "$out" = $'sim\tKV4-SIM-00007\tok' ] || fail "probe --list printed: $out"

"$cli" frobnicate 2>/dev/null
[ $? -eq 2 ] || fail "an unknown command must exit 2"

# Live: the garbled reply and the failed read give no line; every line has time + 4 values.
"$cli" --meter=replay:"$data/meter-live.capture" live --csv --iso >"$work/live.csv" 2>/dev/null || fail "live exit $?"
[ "$(head -1 "$work/live.csv")" = "time,T1,T2,T3,T4" ] || fail "csv header: $(head -1 "$work/live.csv")"
[ "$(wc -l <"$work/live.csv")" -eq 4 ] || fail "expected 3 readings: $(cat "$work/live.csv")"
awk -F, 'NR > 1 && (NF != 5 || $1 !~ /^[0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9]T[0-9:.]+$/) { exit 1 }' "$work/live.csv" \
    || fail "malformed csv: $(cat "$work/live.csv")"

# The values: decoded to degrees C (the last reply is in degrees F), "OL" and "----" from the flags.
cut -d, -f2- "$work/live.csv" >"$work/values"
printf '%s\n' T1,T2,T3,T4 23.5,-20.0,OL,---- 23.7,-19.8,3276.7,-3276.8 26.7,-17.8,-17.8,-17.8 >"$work/want"
cmp -s "$work/values" "$work/want" || fail "live values: $(diff "$work/want" "$work/values")"

# Capture while replaying, replay the capture: the same values come out.
"$cli" --meter=replay:"$data/meter-live.capture" --capture "$work/again.capture" live --iso \
    >"$work/first.txt" 2>/dev/null || fail "capturing live exit $?"
"$cli" --meter=replay:"$work/again.capture" live --iso >"$work/second.txt" 2>/dev/null || fail "replaying the capture exit $?"
cut -f2- "$work/first.txt" >"$work/first.values"
cut -f2- "$work/second.txt" >"$work/second.values"
[ -s "$work/first.values" ] || fail "nothing captured"
cmp -s "$work/first.values" "$work/second.values" \
    || fail "replayed capture differs: $(diff "$work/first.values" "$work/second.values")"

# Replies that cannot be read (8 s of them) stop the readings: said when they stop and
# when they come again, in live and in record, each once.
for cmd in "live --count 12" "--data-dir $work/lib record --interval 00:00 --count 12 --quiet"; do
    # shellcheck disable=SC2086
    timeout 60 "$cli" --meter='sim:faults=garble-start:A@3+40' $cmd >/dev/null 2>"$work/err" || fail "$cmd exit $?"
    [ "$(grep -c "replies cannot be read" "$work/err")" -eq 1 ] || fail "$cmd over garbled replies said: $(cat "$work/err")"
    [ "$(grep -c "readings arrive again" "$work/err")" -eq 1 ] || fail "$cmd did not tell the readings back: $(cat "$work/err")"
done
echo "ok"
