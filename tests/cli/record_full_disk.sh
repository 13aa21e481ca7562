#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# kelvor-cli record while the disk under the library fills up. The samples the library
# cannot take go to the unsaved-samples file beside it: a kill -9 keeps them and the
# next program to open the library takes them in; a Ctrl-C says what is stored and what
# is not and exits 1. The disk is a small tmpfs in a private mount namespace.
set -u
bin="$1"
cli="$bin/kelvor-cli"
command -v sqlite3 >/dev/null || { echo "SKIP: sqlite3 (the command-line tool) is missing"; exit 77; }
if [ -z "${KELVOR_PRIVATE_MOUNTS:-}" ]; then
    if unshare -rm true 2>/dev/null; then
        KELVOR_PRIVATE_MOUNTS=1 exec unshare -rm bash "$0" "$@"
    fi
    echo "SKIP: no private mount namespace here (unshare -rm)"
    exit 77
fi
work=$(mktemp -d)
disk="$work/disk"
mkdir "$disk"
mount -t tmpfs -o size=4m tmpfs "$disk" 2>/dev/null || { rm -rf "$work"; echo "SKIP: cannot mount a tmpfs"; exit 77; }
trap 'kill -9 $pid 2>/dev/null; umount "$disk"; rm -rf "$work"' EXIT
pid=
fail() { echo "FAIL: $*"; exit 1; }
db="$disk/kelvor.sqlite"

# The samples of recording $1 as the recorder prints them.
printed_form() {
    sqlite3 -separator $'\t' "file:$db?mode=ro" "SELECT
      CASE WHEN flags & 1 THEN 'OL' WHEN flags & 16 THEN '----' ELSE printf('%.1f', t1) END,
      CASE WHEN flags & 2 THEN 'OL' WHEN flags & 32 THEN '----' ELSE printf('%.1f', t2) END,
      CASE WHEN flags & 4 THEN 'OL' WHEN flags & 64 THEN '----' ELSE printf('%.1f', t3) END,
      CASE WHEN flags & 8 THEN 'OL' WHEN flags & 128 THEN '----' ELSE printf('%.1f', t4) END
      FROM samples WHERE recording_id = $1 ORDER BY seq"
}
stored() { sqlite3 "file:$db?mode=ro" "SELECT count(*) FROM samples WHERE recording_id = $1"; }
unsaved_samples() { cat "$disk"/kelvor-unsaved-*.txt 2>/dev/null | grep -c '^sample'; }
# wait_for SECONDS TEST...: polls until TEST holds.
wait_for() {
    local limit=$(($1 * 10))
    shift
    for _ in $(seq "$limit"); do
        eval "$@" && return 0
        sleep 0.1
    done
    return 1
}

# start_filled NAME: a recording that has taken samples, then the disk fills up and the
# library refuses at least five of them.
start_filled() {
    "$cli" --data-dir "$disk" record --meter=sim --interval 00:00 --name "$1" >"$work/out" 2>"$work/err" &
    pid=$!
    wait_for 20 '[ "$(wc -l <"$work/out")" -ge 10 ]' || fail "$1: no samples: $(cat "$work/err")"
    dd if=/dev/zero of="$disk/filler" bs=4k >/dev/null 2>&1
    wait_for 60 '[ "$(unsaved_samples)" -ge 5 ]' || fail "$1: the full disk refused nothing: $(cat "$work/err")"
}

# After a kill -9 the refused samples are in the unsaved-samples file, and back in the
# library once there is room and a program opens it.
start_filled killed
kill -9 $pid
wait $pid 2>/dev/null
printed=$(wc -l <"$work/out")
[ "$(stored 1)" -lt "$printed" ] || fail "the library holds every sample although the disk was full"
rm "$disk/filler"
"$cli" --data-dir "$disk" library list >/dev/null 2>"$work/list.err" || fail "library list exit $?"
grep -q "now in it (item 1)" "$work/list.err" || fail "the take-back was not told: $(cat "$work/list.err")"
[ "$(stored 1)" -ge "$printed" ] && [ "$(stored 1)" -le $((printed + 1)) ] ||
    fail "printed $printed samples, the library holds $(stored 1) after the take-back"
cut -f2- "$work/out" | head -n "$printed" >"$work/printed"
printed_form 1 | head -n "$printed" >"$work/stored"
cmp -s "$work/printed" "$work/stored" || fail "the samples taken back differ from the printed ones"
[ -z "$(ls "$disk" | grep kelvor-unsaved)" ] || fail "the unsaved-samples file stayed: $(ls "$disk")"
[ "$(sqlite3 "file:$db?mode=ro" "SELECT state FROM recordings WHERE id = 1")" = interrupted ] ||
    fail "the killed run is not interrupted"
[ "$(sqlite3 "$db" "PRAGMA integrity_check")" = ok ] || fail "integrity check"

# Stopped while the disk is still full: the closing line counts what is missing, exit 1.
start_filled stopped
kill -INT $pid
wait $pid
rc=$?
pid=
[ $rc -eq 1 ] || fail "stopped on a full disk: exit $rc: $(cat "$work/err")"
printed=$(wc -l <"$work/out")
line=$(grep "samples taken;" "$work/err") || fail "no closing line: $(cat "$work/err")"
[[ "$line" =~ ^kelvor-cli:\ ([0-9]+)\ samples\ taken\;\ ([0-9]+)\ stored\ in\ the\ library\ as\ item\ 2,\ ([0-9]+)\ not$ ]] ||
    fail "closing line: $line"
[ "${BASH_REMATCH[1]}" -eq "$printed" ] || fail "$printed printed: $line"
[ "${BASH_REMATCH[2]}" -eq "$(stored 2)" ] || fail "the library holds $(stored 2): $line"
[ $((BASH_REMATCH[2] + BASH_REMATCH[3])) -eq "$printed" ] || fail "the counts do not add up: $line"
grep -q "are not in it. They are kept in $disk/kelvor-unsaved-" "$work/err" || fail "where they are kept: $(cat "$work/err")"
rm "$disk/filler"
"$cli" --data-dir "$disk" library list >/dev/null 2>&1 || fail "library list exit $?"
[ "$(stored 2)" -eq "$printed" ] || fail "printed $printed, the library holds $(stored 2) after the take-back"
echo "ok"
