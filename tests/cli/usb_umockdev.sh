#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The usb backend end to end through the real hidapi library, against a hidraw
# meter emulated by umockdev: a meter that answers the probe and one that stays silent.
set -u
bin="$1"
data="$2/umockdev"
cli="$bin/kelvor-cli"
command -v umockdev-run >/dev/null || { echo "SKIP: umockdev-run is not installed"; exit 77; }
# umockdev preloads its library ahead of a sanitizer runtime; let a sanitized build run anyway.
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}verify_asan_link_order=0"
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
echo "ok"
