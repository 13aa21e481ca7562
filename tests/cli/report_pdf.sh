#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# kelvor-cli report: the PDF's text read back with pdftotext, paper by locale, the sample
# table, an empty set and a failing write.
set -u
bin="$1"
cli="$bin/kelvor-cli"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
. "$(dirname "$0")/support/locale.sh"
require_locale en_US.UTF-8
require_locale de_DE.UTF-8
command -v pdftotext >/dev/null && command -v pdfinfo >/dev/null || { echo "SKIP: pdftotext/pdfinfo (poppler-utils) missing"; exit 77; }
unset QT_QPA_PLATFORM DISPLAY WAYLAND_DISPLAY  # the report needs no window system

bytes() { local b; for b in "$@"; do printf "\\x$b"; done; }
# Set 1: 2 samples in F, T1 and T2 out of range in the second; set 2: no samples.
{
    bytes 41 4c 4c 00 00 00 00 00 00 02 00 0b 71
    head -c $((2816 - 13)) /dev/zero
    bytes a5 5a 00 23 07 15 09 30 05 01 1e 00 00 02 f6 00 00 00
    bytes 03 e8 ff 38 00 00 61 a8   61 a9 f3 2f 00 01 00 02   5a a5
    bytes a5 5a 00 24 03 01 08 00 00 00 05 13 00 00 00 00 00 00   5a a5
} >"$work/two.ch4"

LC_ALL=en_US.UTF-8 "$cli" report "$work/two.ch4" --set 1 --title "Oven 3 acceptance" -o "$work/us.pdf" ||
    fail "report exit $?"
pdfinfo "$work/us.pdf" | grep -q "Page size:.*(letter)" || fail "en_US paper: $(pdfinfo "$work/us.pdf")"
LC_ALL=de_DE.UTF-8 "$cli" report "$work/two.ch4" --set 1 -o "$work/de.pdf" || fail "de report exit $?"
pdfinfo "$work/de.pdf" | grep -q "Page size:.*(A4)" || fail "de_DE paper: $(pdfinfo "$work/de.pdf")"

text=$(pdftotext "$work/us.pdf" -) || fail "pdftotext"
for want in "Oven 3 acceptance" "Data set 1 of a download" "Thermocouple type" "Offsets" "T1 -1.0 °F" \
            "Maximum (°F)" "Minimum (°F)" "Average (°F)" "100.0@" "0.1@" "2500.0@" "-20.0@" "1250.1" "Page 1 of 1" \
            "created" "Samples: 2"; do
    grep -qF -- "$want" <<<"$text" || fail "report text lacks \"$want\": $text"
done
[ "$(pdfinfo "$work/us.pdf" | awk '/^Pages:/ {print $2}')" = 1 ] || fail "pages without the table"

# The sample table: one row per sample, gaps shown as OL, on a page of its own.
LC_ALL=C "$cli" report "$work/two.ch4" --set 1 --samples -o "$work/table.pdf" || fail "table exit $?"
text=$(pdftotext -layout "$work/table.pdf" -)
grep -qE "2023-07-15 09:31:35 +OL +OL +0.1 +0.2" <<<"$text" || fail "sample row: $text"
grep -qF "Page 2 of 2" <<<"$text" || fail "page numbers: $text"

# An empty set: a report that says so.
"$cli" report "$work/two.ch4" --set 2 -o "$work/empty.pdf" || fail "empty set exit $?"
pdftotext "$work/empty.pdf" - | grep -q "No samples" || fail "empty set text"

# A failing write names the file; nothing is left in its place.
mkdir -p "$work/dir.pdf/inside"
"$cli" report "$work/two.ch4" --set 1 -o "$work/dir.pdf" 2>"$work/err" && fail "a report over a folder succeeded"
grep -q "dir.pdf" "$work/err" || fail "failure message: $(cat "$work/err")"
"$cli" report "$work/two.ch4" --set 3 -o "$work/x.pdf" 2>/dev/null; [ $? -eq 1 ] || fail "--set 3"
"$cli" report "$work/two.ch4" --set 1 2>/dev/null; [ $? -eq 2 ] || fail "no -o"
[ -e "$work/x.pdf" ] && fail "a failed report left a file"
echo "report_pdf: ok"
