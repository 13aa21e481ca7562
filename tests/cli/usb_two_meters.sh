#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Two meters on the bus, emulated by umockdev through the real hidapi library:
# probe --list shows both, --meter=usb:SERIAL talks to the one with that serial
# (only KV-0043 answers; KV-0042 takes the frame and stays silent), an unknown
# serial names the ones there are, and a node the user may not open is listed so.
set -u
bin="$1"
data="$2/umockdev"
cli="$bin/kelvor-cli"
command -v umockdev-run >/dev/null || { echo "SKIP: umockdev-run is not installed"; exit 77; }
# umockdev preloads its library ahead of a sanitizer runtime; let a sanitized build run
# anyway. The preload also crashes a sanitized program that opens a report file at start,
# so the reports of these runs go to standard error, which every failure here prints.
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}verify_asan_link_order=0:log_path=stderr"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:+$UBSAN_OPTIONS:}log_path=stderr"
work=$(mktemp -d)
chmod 755 "$work"
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

umockdev-run -d "$data/two-meters.umockdev" -- true >/dev/null 2>&1 || { echo "SKIP: umockdev cannot run here"; exit 77; }
# The ioctl recording names its node; the second meter answers the same ioctls.
sed 's|^@DEV /dev/hidraw0|@DEV /dev/hidraw1|' "$data/meter.ioctl" >"$work/hidraw1.ioctl"
chmod 644 "$work/hidraw1.ioctl"

two_meters() {  # a command line, run with both meters plugged in
    umockdev-run -d "$data/two-meters.umockdev" \
        -i /dev/hidraw0="$data/meter.ioctl" -i /dev/hidraw1="$work/hidraw1.ioctl" \
        -s /dev/hidraw0="$data/silent.script" -s /dev/hidraw1="$data/probe.script" -- "$@"
}

out=$(two_meters "$cli" probe --list 2>"$work/err") || fail "probe --list exit $?: $(cat "$work/err")"
[ "$out" = $'/dev/hidraw0\tKV-0042\tok\n/dev/hidraw1\tKV-0043\tok' ] || fail "probe --list printed: $out"

out=$(two_meters "$cli" --meter=usb:KV-0043 probe 2>"$work/err") || fail "usb:KV-0043 exit $?: $(cat "$work/err")"
[ "$out" = $'meter: answered\nmodel code: QZX\nserial: KV-0043' ] || fail "usb:KV-0043 printed: $out"

# The silent one is chosen: it must not fall back to the meter that answers.
two_meters "$cli" --meter=usb:KV-0042 probe >"$work/out" 2>"$work/err"
rc=$?
[ $rc -eq 1 ] || fail "usb:KV-0042: exit $rc: $(cat "$work/out" "$work/err")"
grep -q "no meter answered" "$work/err" || fail "usb:KV-0042: $(cat "$work/err")"

two_meters "$cli" --meter=usb:KV-9999 probe >"$work/out" 2>"$work/err"
rc=$?
[ $rc -eq 1 ] || fail "usb:KV-9999: exit $rc"
grep -q "no meter with serial KV-9999 found (USB 04d9:e000; found: KV-0042, KV-0043)" "$work/err" ||
    fail "usb:KV-9999: $(cat "$work/err")"

# The windowed program takes the same choice and refuses a malformed one before
# it needs a display.
"$bin/kelvor" --meter=usb: >"$work/out" 2>"$work/err"
rc=$?
[ $rc -eq 2 ] || fail "kelvor --meter=usb: exit $rc"
grep -q "usb:SERIAL" "$work/err" || fail "kelvor --meter=usb: $(cat "$work/err")"

# A node the user may not open is still listed, with the reason.
as_user=()
if [ "$(id -u)" -eq 0 ]; then
    as_user=(setpriv --reuid=65534 --regid=65534 --clear-groups env HOME=/tmp)
fi
if "${as_user[@]}" test -x "$cli" && "${as_user[@]}" test -r "$data/two-meters.umockdev"; then
    "${as_user[@]}" umockdev-run -d "$data/two-meters.umockdev" \
        -i /dev/hidraw0="$data/meter.ioctl" -i /dev/hidraw1="$work/hidraw1.ioctl" -- \
        sh -c 'chmod 000 "$UMOCKDEV_DIR/dev/hidraw1" && exec "$0" probe --list' "$cli" >"$work/out" 2>"$work/err" ||
        fail "probe --list with an unreadable node: exit $?: $(cat "$work/err")"
    [ "$(cat "$work/out")" = $'/dev/hidraw0\tKV-0042\tok\n/dev/hidraw1\tKV-0043\tpermission denied' ] ||
        fail "probe --list with an unreadable node printed: $(cat "$work/out")"
else
    echo "note: the permission check needs the build readable by an unprivileged user; not run"
fi
echo "ok"
