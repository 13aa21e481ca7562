#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# kelvor-cli sets and export on a small collection built here byte by byte.
set -u
bin="$1"
cli="$bin/kelvor-cli"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
. "$(dirname "$0")/support/locale.sh"
require_decimal_comma de_DE.UTF-8

# bytes HEX...: writes the bytes to stdout.
bytes() { local b; for b in "$@"; do printf "\\x$b"; done; }

# Two data sets: 2 samples in F (type K, T1 offset -10) and 1 sample in C (type T).
set1() {
    bytes a5 5a 00 23 07 15 09 30 05 01 1e 00 00 02 f6 00 00 00
    bytes 03 e8 ff 38 00 00 61 a8   61 a9 f3 2f 00 01 00 02   5a a5
}
set2() {
    bytes a5 5a 00 24 02 29 23 59 58 00 05 13 00 01 0a 00 00 f6
    bytes 03 e8 03 e8 03 e8 03 e8   5a a5
}
# collection COUNT_HI COUNT_LO: header, the unused area, both data sets.
collection() {
    bytes 41 4c 4c 00 00 00 00 00 "$1" "$2" 00 0b 71
    head -c $((2816 - 13)) /dev/zero
    set1
    set2
}
collection 00 02 >"$work/two.ch4"
[ "$(stat -c %s "$work/two.ch4")" -eq $((2816 + 36 + 28)) ] || fail "fixture size"

out=$("$cli" sets --iso "$work/two.ch4") || fail "sets exit $?"
expected=$'1\t2023-07-15\t09:30:05\t01:30\t2\tF\tK\t-1.0\t0.0\t0.0\t0.0\n2\t2024-02-29\t23:59:58\t00:05\t1\tC\tT\t0.6\t0.0\t0.0\t-0.6'
[ "$out" = "$expected" ] || fail "sets printed: $out"

out=$("$cli" export --iso "$work/two.ch4" --set 1) || fail "export exit $?"
expected=$'2023-07-15\t09:30:05\t100.0\t-20.0\t0.0\t2500.0\n2023-07-15\t09:31:35\tOL\tOL\t0.1\t0.2'
[ "$out" = "$expected" ] || fail "export printed: $out"

"$cli" export --iso "$work/two.ch4" --set 2 -o "$work/two.csv" || fail "export csv exit $?"
[ "$(cat "$work/two.csv")" = $'2024-02-29,23:59:58,37.8,37.8,37.8,37.8\r' ] || fail "csv: $(od -c "$work/two.csv")"
"$cli" export --iso "$work/two.ch4" --set 2 -o "$work/two.txt" || fail "export txt exit $?"
[ "$(cat "$work/two.txt")" = $'2024-02-29\t23:59:58\t37.8\t37.8\t37.8\t37.8\r' ] || fail "txt: $(od -c "$work/two.txt")"

# Under a decimal-comma locale a .csv would hold "37,8" as two fields: refused as a bad command line unless --iso.
LC_ALL=de_DE.UTF-8 "$cli" export "$work/two.ch4" --set 2 -o "$work/de.csv" 2>"$work/err"
[ $? -eq 2 ] || fail "a decimal-comma csv must exit 2"
grep -q -- "--iso" "$work/err" || fail "decimal-comma csv message: $(cat "$work/err")"
[ -e "$work/de.csv" ] && fail "a refused export left a file"
LC_ALL=de_DE.UTF-8 "$cli" export --iso "$work/two.ch4" --set 2 -o "$work/de.csv" || fail "iso csv exit $?"
[ "$(cat "$work/de.csv")" = $'2024-02-29,23:59:58,37.8,37.8,37.8,37.8\r' ] || fail "iso csv: $(od -c "$work/de.csv")"
LC_ALL=de_DE.UTF-8 "$cli" export "$work/two.ch4" --set 2 -o "$work/de.txt" || fail "decimal-comma txt exit $?"
grep -q $'\t37,8\t37,8\t37,8\t37,8\r$' "$work/de.txt" || fail "decimal-comma txt: $(od -c "$work/de.txt")"

# A collection cut inside its second data set lists the first and warns.
head -c $((2816 + 36 + 10)) "$work/two.ch4" >"$work/cut.ch4"
out=$("$cli" sets --iso "$work/cut.ch4" 2>"$work/err") || fail "damaged sets exit $?"
[ "$(echo "$out" | wc -l)" -eq 1 ] || fail "damaged sets printed: $out"
grep -q "cut short" "$work/err" || fail "no warning for a damaged file: $(cat "$work/err")"

# Failures: each exits non-zero with a message.
head -c 100 /dev/zero >"$work/zeros.ch4"
collection 0f a1 >"$work/many.ch4"
: >"$work/empty.ch4"
for f in zeros many empty missing; do
    "$cli" sets "$work/$f.ch4" >"$work/out" 2>"$work/err"
    [ $? -eq 1 ] || fail "sets $f must exit 1"
    [ -s "$work/err" ] || fail "sets $f gave no message"
    [ -s "$work/out" ] && fail "sets $f printed rows"
done
grep -q "holds no data set" <("$cli" sets "$work/zeros.ch4" 2>&1) || fail "zeros message"
grep -q "4001" <("$cli" sets "$work/many.ch4" 2>&1) || fail "too many message"
"$cli" export "$work/two.ch4" --set 3 2>/dev/null
[ $? -eq 1 ] || fail "export of a missing set must exit 1"
"$cli" export "$work/two.ch4" --set x 2>/dev/null
[ $? -eq 2 ] || fail "export --set x must exit 2"
echo "ok"
