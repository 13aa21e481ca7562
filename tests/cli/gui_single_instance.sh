#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# One copy of the program per data folder: a second copy is told so, hands its files to
# the first (which opens them) and ends; a lock left by a killed copy does not block.
set -u
bin="$1"
work=$(mktemp -d)
pids=()
trap 'for p in "${pids[@]}"; do kill -KILL "$p" 2>/dev/null; done; rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
export QT_QPA_PLATFORM=offscreen XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/share" HOME="$work"
data="$work/data"
text='KELVOR is already running with this data folder'

# Starts a copy in the background; its pid goes into $started.
start() {
    "$bin/kelvor" --meter=sim --data-dir "$data" "$@" >"$work/out.$#.$RANDOM" 2>&1 &
    started=$!
    pids+=("$started")
}
# Waits up to 15 s for a condition.
wait_for() {
    for _ in $(seq 150); do eval "$1" && return 0; sleep 0.1; done
    return 1
}

start
first=$started
wait_for '[ -e "$data/kelvor.lock" ]' || fail "the first copy took no lock"
sleep 1

# A second copy with a file: the first opens it (its recent files say so); no box.
printf '1/5/26\t10:00:01 AM\t21.5\t30.0\t-1.0\tOL\r\n' >"$work/table.txt"
timeout 20 "$bin/kelvor" --meter=sim --data-dir "$data" "$work/table.txt" >"$work/second" 2>&1
rc=$?
[ $rc -eq 0 ] || fail "second copy exit $rc: $(cat "$work/second")"
grep -q "$text" "$work/second" || fail "second copy said: $(cat "$work/second")"
wait_for 'grep -q "table.txt" "$XDG_CONFIG_HOME/TOVRA.conf" 2>/dev/null' ||
    fail "the first copy did not open the handed-over file"
kill -0 "$first" 2>/dev/null || fail "the first copy ended"

# Without files the second copy says it in a box (and on stderr) and opens nothing.
"$bin/kelvor" --meter=sim --data-dir "$data" >"$work/third" 2>&1 &
third=$!
pids+=("$third")
wait_for 'grep -q "$text" "$work/third"' || fail "third copy said: $(cat "$work/third")"
kill -KILL "$third" 2>/dev/null

# A copy killed outright leaves its lock; the next copy takes the folder over.
kill -KILL "$first"
wait "$first" 2>/dev/null
start
fourth=$started
sleep 3
kill -0 "$fourth" 2>/dev/null || fail "a stale lock kept the program from starting"
timeout 20 "$bin/kelvor" --meter=sim --data-dir "$data" "$work/table.txt" >"$work/fifth" 2>&1
grep -q "$text" "$work/fifth" || fail "the new first copy does not hold the folder: $(cat "$work/fifth")"

# Another data folder is another copy's business.
timeout 3 "$bin/kelvor" --meter=sim --data-dir "$work/other" >"$work/sixth" 2>&1
[ $? -eq 124 ] || fail "a copy on another folder did not run: $(cat "$work/sixth")"
echo "gui_single_instance: ok"
