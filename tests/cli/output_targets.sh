#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Outputs that are not regular files: a FIFO, a character device, "-" (standard
# output). Each is written where it is (never replaced by a regular file) and every
# write is checked. As root the character device is a private node made in the
# temporary folder, so a fault here can never replace the machine's /dev/full.
set -u
bin="$1"
cli="$(realpath "$bin")/kelvor-cli"
command -v python3 >/dev/null || { echo "SKIP: python3 (the independent reader) is missing"; exit 77; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

if [ "$(id -u)" -eq 0 ]; then
    full="$work/full"
    mknod "$full" c 1 7 || { echo "SKIP: cannot make a device node"; exit 77; }
else
    full=/dev/full
    [ -c "$full" ] || { echo "SKIP: no /dev/full"; exit 77; }
fi

# Library item 1 is a recording, item 2 the download.
"$cli" --data-dir "$work/data" record --meter=sim --interval 00:00 --count 5 --quiet 2>/dev/null || fail "record"
"$cli" --data-dir "$work/data" --meter=sim download -o "$work/run.ch4" >/dev/null 2>&1 || fail "download from sim"
"$cli" export "$work/run.ch4" --set 1 -o "$work/plain.txt" || fail "export to a regular file"
"$cli" export "$work/run.ch4" --set 1 --format spreadsheet -o "$work/plain.csv" || fail "spreadsheet export"
"$cli" --data-dir "$work/data" library export 1 -o "$work/item.txt" || fail "library export to a regular file"

# through_fifo NAME COMMAND... (with @ where the output path goes): the command writes into
# a FIFO (called NAME, in its own folder) that a reader drains into $work/NAME; the reader
# gets all of it and the FIFO is still one.
through_fifo() {
    local name="$1"
    shift
    local fifo="$work/fifo/$name"
    rm -rf "$work/fifo"
    mkdir "$work/fifo"
    mkfifo "$fifo"
    cat "$fifo" >"$work/$name" &
    local reader=$!
    local args=()
    for a in "$@"; do [ "$a" = @ ] && args+=("$fifo") || args+=("$a"); done
    timeout 20 "${args[@]}" 2>"$work/err" || { kill $reader 2>/dev/null; fail "$* into a FIFO: exit $? $(cat "$work/err")"; }
    timeout 10 tail --pid=$reader -f /dev/null || { kill $reader; fail "$*: the FIFO's reader never saw the end"; }
    [ -p "$fifo" ] || fail "$*: the FIFO was replaced by $(stat -c %F "$fifo")"
    [ "$(ls -A "$work/fifo")" = "$name" ] || fail "$*: files were left beside the FIFO: $(ls -A "$work/fifo")"
}
through_fifo table.txt "$cli" export "$work/run.ch4" --set 1 -o @
cmp -s "$work/table.txt" "$work/plain.txt" || fail "the table read from the FIFO differs from the file"
through_fifo sheet.csv "$cli" export "$work/run.ch4" --set 1 --format spreadsheet -o @
cmp -s "$work/sheet.csv" "$work/plain.csv" || fail "the spreadsheet table read from the FIFO differs"
through_fifo item.pipe.txt "$cli" --data-dir "$work/data" library export 1 -o @
cmp -s "$work/item.pipe.txt" "$work/item.txt" || fail "the library export read from the FIFO differs"
through_fifo book.xlsx "$cli" export "$work/run.ch4" --set 1 --format xlsx -o @
python3 - "$work/book.xlsx" <<'PY' || fail "the workbook read from the FIFO is not whole"
import sys, zipfile
with zipfile.ZipFile(sys.argv[1]) as z:
    assert z.testzip() is None
    assert "xl/worksheets/sheet1.xml" in z.namelist(), z.namelist()
PY

# A device that takes nothing: exit 1 with the reason, and it is still the device.
for cmd in "export $work/run.ch4 --set 1" "export $work/run.ch4 --set 1 --format xlsx" \
    "--data-dir $work/data --meter=sim download"; do
    # shellcheck disable=SC2086
    timeout 20 "$cli" $cmd -o "$full" >/dev/null 2>"$work/err"
    rc=$?
    [ $rc -eq 1 ] || fail "$cmd -o $full: exit $rc"
    grep -q "No space left on device" "$work/err" || fail "$cmd -o $full said: $(cat "$work/err")"
    [ -c "$full" ] || fail "$cmd -o $full replaced the device by $(stat -c %F "$full")"
done

# "-" is standard output: the same bytes as the file, and a failure there is told.
(cd "$work" && "$cli" export run.ch4 --set 1 -o - >stdout.txt) || fail "export -o - exit $?"
cmp -s "$work/stdout.txt" "$work/plain.txt" || fail "export -o - differs from the file"
[ -e "$work/-" ] && fail "export -o - made a file named -"
"$cli" --data-dir "$work/data" --meter=sim download -o - >"$work/stdout.ch4" 2>/dev/null || fail "download -o - exit $?"
# The simulated memory follows the clock, so the bytes may differ; the collection must read.
[ "$(stat -c %s "$work/stdout.ch4")" -eq "$(stat -c %s "$work/run.ch4")" ] || fail "download -o - is not whole"
[ "$("$cli" sets "$work/stdout.ch4" | wc -l)" -eq "$("$cli" sets "$work/run.ch4" | wc -l)" ] ||
    fail "download -o - does not read back as a collection"
timeout 20 "$cli" export "$work/run.ch4" --set 1 -o - >"$full" 2>"$work/err"
[ $? -eq 1 ] || fail "export -o - onto a full device must exit 1"
grep -q "standard output: No space left on device" "$work/err" || fail "export -o - said: $(cat "$work/err")"
echo "ok"
