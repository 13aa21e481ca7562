#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# kelvor-cli info, set-interval, erase and the EEPROM commands on the simulated meter.
set -u
bin="$1"
cli="$bin/kelvor-cli"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
. "$(dirname "$0")/support/locale.sh"
require_decimal_comma de_DE.UTF-8
silent="--meter=sim:faults=drop@1+*"

out=$("$cli" --meter=sim:memory=erased info) || fail "info exit $?"
[ "$(echo "$out" | wc -l)" -eq 16 ] || fail "info printed: $out"
for line in "memory available: 16000" "data sets: 0" "interval: 00:02" "version: 1.05" \
            "serial number: KV4-SIM-00001" "hi: 212" "lo: -4" "thermocouple: K" "sleep time: 30 minutes"; do
    grep -qxF "$line" <<<"$out" || fail "info lacks '$line': $out"
done
# The firmware version and the interval are no decimal numbers: a decimal-comma locale
# leaves them alone.
[ "$(LC_ALL=de_DE.UTF-8 "$cli" --meter=sim live --count 1 2>/dev/null | grep -c ',')" -ge 1 ] ||
    fail "de_DE.UTF-8 is not active: live prints no decimal comma"
diff <(echo "$out" | grep -v '^meter time') \
    <(LC_ALL=de_DE.UTF-8 "$cli" --meter=sim:memory=erased info | grep -v '^meter time') ||
    fail "info under de_DE.UTF-8 differs"
grep -qE '^meter time: [01][0-9]/[0-3][0-9]/20[0-9][0-9]   [0-2][0-9]:[0-5][0-9]:[0-5][0-9]$' <<<"$out" \
    || fail "meter time: $out"
"$cli" --meter=sim info | grep -q "^data sets: [1-9]" || fail "the demo memory holds data sets"

"$cli" "$silent" info >"$work/out" 2>"$work/err"
[ $? -eq 1 ] || fail "info on a silent meter must exit 1"
grep -q "info failed: code 204" "$work/err" || fail "silent info: $(cat "$work/err")"
[ -s "$work/out" ] && fail "a failed info printed fields"

"$cli" --meter=sim set-interval 05:30 >"$work/out" || fail "set-interval exit $?"
"$cli" --meter=sim set-interval 60:60 >"$work/out" || fail "set-interval 60:60 exit $?"
for bad in 00:00 61:00 5 ab:10 +5:10; do
    "$cli" --meter=sim --capture "$work/bad.capture" set-interval "$bad" 2>"$work/err"
    [ $? -eq 2 ] || fail "set-interval $bad must exit 2"
    grep -q "Invalid Input (code 62" "$work/err" || fail "set-interval $bad: $(cat "$work/err")"
    [ -e "$work/bad.capture" ] && fail "set-interval $bad reached the meter"
done
"$cli" "$silent" set-interval 00:02 2>"$work/err"
[ $? -eq 1 ] || fail "set-interval on a silent meter must exit 1"
grep -q "set-interval failed: code 604" "$work/err" || fail "silent set-interval: $(cat "$work/err")"

# Erase asks; without a terminal only --yes erases.
"$cli" --meter=sim --capture "$work/erase.capture" erase </dev/null >"$work/out" 2>"$work/err"
[ $? -eq 1 ] || fail "erase without --yes and without a terminal must exit 1"
grep -q -- "--yes" "$work/err" || fail "erase refusal: $(cat "$work/err")"
[ -e "$work/erase.capture" ] && fail "a refused erase reached the meter"
out=$("$cli" --meter=sim erase --yes) || fail "erase --yes exit $?"
[ "$out" = "meter memory erased" ] || fail "erase printed: $out"
"$cli" --meter=sim:faults=nak:e@1+* erase --yes 2>"$work/err"
[ $? -eq 1 ] || fail "a refused erase must exit 1"
grep -q "erase failed: code 506" "$work/err" || fail "nak erase: $(cat "$work/err")"

# EEPROM: the access code guards the write; numbers are decimal.
"$cli" --meter=sim --capture "$work/w.capture" eeprom-write 70000 300 --code 1234 2>"$work/err"
[ $? -eq 1 ] || fail "a wrong access code must exit 1"
grep -q "Password error !!" "$work/err" || fail "wrong code: $(cat "$work/err")"
[ -e "$work/w.capture" ] && fail "a wrong access code reached the meter"
"$cli" --meter=sim eeprom-write 70000 300 --code 8921 >/dev/null || fail "eeprom-write exit $?"
[ "$("$cli" --meter=sim eeprom-read 64)" = "63" ] || fail "eeprom-read of the first gain byte"
"$cli" --meter=sim eeprom-read 0x40 2>"$work/err"
[ $? -eq 2 ] || fail "a hexadecimal address must exit 2"
grep -q "not a valid integer" "$work/err" || fail "hex address: $(cat "$work/err")"
"$cli" --meter=sim --capture "$work/r.capture" eeprom-read 131072 2>"$work/err"
[ $? -eq 2 ] || fail "an address beyond the meter's memory must exit 2"
grep -q "out of range (0 to 131071)" "$work/err" || fail "beyond the memory: $(cat "$work/err")"
[ -e "$work/r.capture" ] && fail "an address beyond the memory reached the meter"
exit 0
