#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# A replay of what is no capture file (/dev/zero, a 1 GiB sparse file) is refused at
# once with a message, by kelvor-cli (exit 1) and by the program (which starts anyway).
set -u
bin="$1"
data="$2"
work=$(mktemp -d)
pid=
trap '[ -n "$pid" ] && kill -KILL "$pid" 2>/dev/null; rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
truncate -s 1G "$work/huge.capture" || { echo "SKIP: no sparse files"; exit 77; }

for source in /dev/zero "$work/huge.capture"; do
    timeout 20 "$bin/kelvor-cli" --meter=replay:"$source" probe >/dev/null 2>"$work/err"
    rc=$?
    [ $rc -eq 1 ] || fail "replay of $source exit $rc: $(cat "$work/err")"
    grep -q -- "$source\" is" "$work/err" || fail "replay of $source said: $(cat "$work/err")"
done

cp -r "$data/datadir" "$work/data"
QT_QPA_PLATFORM=offscreen "$bin/kelvor" --meter=replay:/dev/zero --data-dir "$work/data" >"$work/gui" 2>&1 &
pid=$!
sleep 3
kill -0 "$pid" 2>/dev/null || fail "the program ended: $(cat "$work/gui")"
kill -TERM "$pid"
wait "$pid"
pid=
grep -q '"/dev/zero" is not a file' "$work/gui" || fail "the program said: $(cat "$work/gui")"
echo "ok"
