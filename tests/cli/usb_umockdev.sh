#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The usb backend end to end through the real hidapi library, against a hidraw
# meter emulated by umockdev: a meter that answers the probe, one that stays silent,
# and one whose node the user may not open.
set -u
bin="$1"
data="$2/umockdev"
cli="$bin/kelvor-cli"
command -v umockdev-run >/dev/null || { echo "SKIP: umockdev-run is not installed"; exit 77; }
# umockdev preloads its library ahead of a sanitizer runtime; let a sanitized build run anyway.
# Its preload also crashes a sanitized program that opens a report file at start, so the
# reports of these runs go to standard error, which every failure here prints.
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}verify_asan_link_order=0:log_path=stderr"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:+$UBSAN_OPTIONS:}log_path=stderr"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

run_meter() {  # script, then the kelvor-cli arguments
    local script="$1"
    shift
    umockdev-run -d "$data/meter.umockdev" -i /dev/hidraw0="$data/meter.ioctl" \
        -s /dev/hidraw0="$data/$script" -- "$cli" --meter=usb "$@"
}

# The emulation itself may be unusable here (no LD_PRELOAD, sandboxed /tmp): then skip.
umockdev-run -d "$data/meter.umockdev" -- true >/dev/null 2>&1 || { echo "SKIP: umockdev cannot run here"; exit 77; }

out=$(run_meter probe.script probe 2>"$work/err") || fail "probe exit $?: $(cat "$work/err")"
[ "$out" = $'meter: answered\nmodel code: QZX\nserial: KV-0042' ] || fail "probe printed: $out"

# The silent meter takes the frame and never answers: the read times out and the
# probe fails cleanly instead of hanging.
start=$(date +%s)
run_meter silent.script probe >"$work/out" 2>"$work/err"
rc=$?
[ $rc -eq 1 ] || fail "silent meter: exit $rc: $(cat "$work/err")"
grep -q "no meter answered" "$work/err" || fail "silent meter: $(cat "$work/err")"
[ $(( $(date +%s) - start )) -lt 10 ] || fail "silent meter took too long"

# Permission denied through the real access() check: the emulated node is made
# unreadable (mode 000) and the probe runs as an unprivileged user, for whom the
# program must say that the meter was found but may not be used.
as_user=()
if [ "$(id -u)" -eq 0 ]; then
    as_user=(setpriv --reuid=65534 --regid=65534 --clear-groups env HOME=/tmp)
fi
if "${as_user[@]}" test -x "$cli" && "${as_user[@]}" test -r "$data/meter.umockdev"; then
    "${as_user[@]}" umockdev-run -d "$data/meter.umockdev" -i /dev/hidraw0="$data/meter.ioctl" \
        -s /dev/hidraw0="$data/probe.script" -- \
        sh -c 'chmod 000 "$UMOCKDEV_DIR/dev/hidraw0" && exec "$0" --meter=usb probe' "$cli" \
        >"$work/out" 2>"$work/err"
    rc=$?
    [ $rc -eq 1 ] || fail "unreadable node: exit $rc: $(cat "$work/err")"
    grep -q "permission to use it was denied" "$work/err" || fail "unreadable node: $(cat "$work/err")"
else
    echo "note: the permission check needs the build readable by an unprivileged user; not run"
fi

# What umockdev 0.17 cannot do: its scripts restart at every open of the node, and
# the program opens the meter for each exchange, so a session of several exchanges
# (live readings, an outage and a reconnect, a download cut off midway) cannot be
# scripted, nor can a node vanish mid-run. Those are tested through the fake of
# the hidapi calls (tests/core/test_usbdevice.cpp) and the simulated meter's unplug.
echo "ok"
