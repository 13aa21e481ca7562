#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The GUI program's command line: --help, --version and a clear refusal of unknown options.
set -u
gui="$1/kelvor"
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM  # no window system needed
fail() { echo "FAIL: $*"; exit 1; }
[ -x "$gui" ] || fail "no $gui"

out=$("$gui" --version 2>&1); rc=$?
[ $rc -eq 0 ] || fail "--version exit $rc"
echo "$out" | grep -Eq '^kelvor [0-9]+\.[0-9]+' || fail "--version printed: $out"

out=$("$gui" --help 2>&1); rc=$?
[ $rc -eq 0 ] || fail "--help exit $rc"
for opt in --meter --capture --data-dir --service; do
    echo "$out" | grep -q -- "$opt" || fail "--help does not mention $opt"
done

out=$("$gui" --bogus 2>&1); rc=$?
[ $rc -eq 2 ] || fail "unknown option exit $rc"
echo "$out" | grep -q "bogus" || fail "unknown option message: $out"

# A bad value of an option is a bad command line too, named in the message.
for bad in "--meter=nosuch:nosuch" "--meter=sim:bogus=1:bogus" "--meter=replay::replay" "--capture=:--capture" \
           "--data-dir=:--data-dir" "--data-dir=$gui:not a folder"; do
    arg=${bad%:*} want=${bad##*:}
    out=$("$gui" "$arg" 2>&1); rc=$?
    [ $rc -eq 2 ] || fail "$arg exit $rc"
    echo "$out" | grep -q -- "$want" || fail "$arg message: $out"
done

# Other arguments are files to open, named in the help.
echo "$("$gui" --help 2>&1)" | grep -q -- "FILE" || fail "--help does not mention the files"
echo "gui_options: ok"
