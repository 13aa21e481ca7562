#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# kelvor-cli record where the library or the --csv table cannot take the samples: the
# closing line says what is stored and what is not, and the exit status is 1 whenever a
# printed sample is missing from the library or the table.
set -u
bin="$1"
cli="$bin/kelvor-cli"
command -v sqlite3 >/dev/null || { echo "SKIP: sqlite3 (the command-line tool) is missing"; exit 77; }
[ -w /dev/full ] || { echo "SKIP: no /dev/full"; exit 77; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

# record_in DIR ARGS...: five samples, output in $work/out and $work/err, status in $rc.
record_in() {
    local dir="$1"
    shift
    timeout 30 "$cli" --data-dir "$dir" record --meter=sim --interval 00:00 --count 5 "$@" >"$work/out" 2>"$work/err"
    rc=$?
}

# A library that cannot be used for the whole run: a folder in its place, a newer schema.
mkdir -p "$work/folder/kelvor.sqlite"
mkdir -p "$work/newer"
sqlite3 "$work/newer/kelvor.sqlite" "CREATE TABLE schema_version(version INTEGER); INSERT INTO schema_version VALUES (99)"
for dir in folder newer; do
    record_in "$work/$dir"
    [ $rc -eq 1 ] || fail "$dir: exit $rc with nothing stored: $(cat "$work/err")"
    [ "$(wc -l <"$work/out")" -eq 5 ] || fail "$dir: the samples were not printed"
    grep -qx "kelvor-cli: 5 samples taken; none of them is in the library" "$work/err" ||
        fail "$dir: closing line: $(cat "$work/err")"
    grep -q "recorded as library item" "$work/err" && fail "$dir: claims a recording: $(cat "$work/err")"
    # The last word on the library says why and how much is missing.
    grep -q "5 of the 5 samples of the run are not in it" "$work/err" || fail "$dir: no final word: $(cat "$work/err")"
done

# A usable library: the closing line names the item, exit 0.
record_in "$work/good"
[ $rc -eq 0 ] || fail "a good library: exit $rc: $(cat "$work/err")"
grep -qx "kelvor-cli: 5 samples recorded as library item 1" "$work/err" || fail "closing line: $(cat "$work/err")"

# --csv on a device that takes nothing: told at once, exit 1, nothing recorded.
record_in "$work/good" --csv /dev/full
[ $rc -eq 1 ] || fail "--csv /dev/full exit $rc"
grep -q 'cannot write "/dev/full": No space left on device' "$work/err" || fail "--csv /dev/full: $(cat "$work/err")"
[ "$(sqlite3 "file:$work/good/kelvor.sqlite?mode=ro" "SELECT count(*) FROM recordings")" -eq 1 ] ||
    fail "a run was recorded although its table could not be started"
echo "ok"
