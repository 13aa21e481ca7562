#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Output that cannot be written (standard output or --capture on /dev/full) makes
# kelvor-cli exit 1 with a message, never 0 with the output lost.
set -u
bin="$1"
cli="$bin/kelvor-cli"
[ -w /dev/full ] || { echo "SKIP: no /dev/full"; exit 77; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

"$cli" --meter=sim download -o "$work/run.ch4" >/dev/null 2>&1 || fail "download from sim"

# full COMMAND...: run with stdout on /dev/full (a time limit in case it never notices).
full() {
    timeout 20 "$@" >/dev/full 2>"$work/err"
    local rc=$?
    [ $rc -eq 1 ] || fail "$* >/dev/full exit $rc: $(cat "$work/err")"
    grep -q "cannot write to standard output: No space left on device" "$work/err" \
        || fail "$* >/dev/full said: $(cat "$work/err")"
}
full "$cli" export "$work/run.ch4" --set 1
full "$cli" sets "$work/run.ch4"
full "$cli" --meter=sim live --count 3
full "$cli" --meter=sim live  # runs until stopped, unless the output fails
full "$cli" --meter=sim probe
full "$cli" --help

timeout 20 "$cli" --meter=sim --capture /dev/full probe >/dev/null 2>"$work/err"
rc=$?
[ $rc -eq 1 ] || fail "--capture /dev/full exit $rc"
grep -q "cannot write capture file /dev/full: No space left on device" "$work/err" \
    || fail "--capture /dev/full said: $(cat "$work/err")"
echo "ok"
