#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# --log FILE on both programs: a trace a user can send, one line per event with time,
# level and subsystem; without --log the programs print exactly what they printed before.
set -u
bin="$1"
cli="$bin/kelvor-cli"
gui="$bin/kelvor"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
line='^[0-9]{4}-[0-9]{2}-[0-9]{2}T[0-9:.]+ (debug|info|warning|critical) kelvor\.[a-z]+: '

# A damaged library, a recording and a file written leave their trace.
mkdir "$work/d"
head -c 3000 /dev/urandom >"$work/d/kelvor.sqlite"
"$cli" --data-dir "$work/d" --log "$work/cli.log" library list >/dev/null 2>&1 || fail "library list exit $?"
"$cli" --data-dir "$work/d" --meter=sim --log "$work/cli.log" record --count 2 >/dev/null 2>&1 ||
    fail "record exit $?"
"$cli" --data-dir "$work/d" --log "$work/cli.log" library export 1 -o "$work/run.ghf" >/dev/null 2>&1 ||
    fail "library export exit $?"
grep -Eq "${line}kelvor-cli .* started" "$work/cli.log" || fail "no start line: $(cat "$work/cli.log")"
grep -Eq "warning kelvor\.library: .*could not be read" "$work/cli.log" || fail "no damaged-library line"
grep -Eq "info kelvor\.session: recording ended: 2 samples taken, 2 stored" "$work/cli.log" ||
    fail "no end of the recording: $(cat "$work/cli.log")"
grep -Eq "info kelvor\.files: wrote .*run\.ghf" "$work/cli.log" || fail "no written file: $(cat "$work/cli.log")"
bad=$(grep -Evc "$line" "$work/cli.log")
[ "$bad" -eq 0 ] || fail "$bad lines of another form: $(grep -Ev "$line" "$work/cli.log")"

# Without --log nothing changes on the terminal.
"$cli" --data-dir "$work/d" library list >"$work/plain.out" 2>"$work/plain.err"
"$cli" --data-dir "$work/d" --log "$work/again.log" library list >"$work/logged.out" 2>"$work/logged.err"
cmp -s "$work/plain.out" "$work/logged.out" && cmp -s "$work/plain.err" "$work/logged.err" ||
    fail "--log changed what is printed"

# A log that cannot be written is a bad command line, before anything is done.
"$cli" --data-dir "$work/d" --log "$work/no/such/folder/x.log" library list >/dev/null 2>"$work/err"
[ $? -eq 2 ] || fail "an unwritable log must exit 2"
grep -q -- "--log" "$work/err" || fail "unwritable log message: $(cat "$work/err")"

# The windowed program on the simulated meter: started, library opened, meter found.
if [ -x "$gui" ]; then
    QT_QPA_PLATFORM=offscreen timeout 6 "$gui" --meter=sim --data-dir "$work/g" --log "$work/gui.log" \
        >/dev/null 2>&1
    for want in "info kelvor\.program: kelvor .* started" "info kelvor\.library: opened" \
                "info kelvor\.meter: meter found"; do
        grep -Eq "$want" "$work/gui.log" || fail "the GUI's log lacks '$want': $(cat "$work/gui.log")"
    done
    "$gui" --log= 2>"$work/err"
    [ $? -eq 2 ] || fail "kelvor --log= must exit 2"
fi
echo ok
