#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The program's first start on a new data folder puts the installed graph template in
# place (so no note about a missing template), and a data folder that cannot be made
# is said on stderr while the program goes on.
set -u
bin="$1"
work=$(mktemp -d)
pid=
trap '[ -n "$pid" ] && kill -KILL "$pid" 2>/dev/null; rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
export QT_QPA_PLATFORM=offscreen XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/share" HOME="$work"

# Runs the program for a few seconds; it must still be running then.
run_briefly() {
    "$bin/kelvor" --meter=sim "$@" >"$work/out" 2>&1 &
    pid=$!
    sleep 3
    kill -0 "$pid" 2>/dev/null || fail "the program ended: $(cat "$work/out")"
    kill -TERM "$pid"
    wait "$pid" 2>/dev/null
    pid=
}

run_briefly --data-dir "$work/fresh"
cmp "$work/fresh/template/graph.ghf" "$bin/share/kelvor/template/graph.ghf" ||
    fail "the first start did not put the default template in place"
grep -q 'kelvor-help-version' "$work/fresh/KELVORHELP.htm" || fail "no help page"

# A path below a plain file can never be made a folder.
touch "$work/plain"
run_briefly --data-dir "$work/plain/data"
grep -q "cannot create the data folder '$work/plain/data'" "$work/out" || fail "stderr said: $(cat "$work/out")"
echo "gui_datafolder: ok"
