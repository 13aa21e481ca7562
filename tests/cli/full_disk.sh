#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Files written onto a full disk: the command exits 1 naming the file and the reason,
# and the old file stays byte for byte. The disk is a 64 KiB tmpfs in a private mount
# namespace, so it vanishes with the check; where no namespace can be made, skip.
set -u
bin="$1"
cli="$bin/kelvor-cli"
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
mount -t tmpfs -o size=64k tmpfs "$disk" 2>/dev/null || { rm -rf "$work"; echo "SKIP: cannot mount a tmpfs"; exit 77; }
trap 'umount "$disk"; rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

"$cli" --meter=sim download -o "$work/run.ch4" >/dev/null 2>&1 || fail "download onto a free disk"
printf 'an older collection\n' >"$disk/old.ch4"
printf '1\t01/01/26\t00:00:00\t20.0\t20.0\t20.0\t20.0\r\n' >"$disk/old.txt"
cp "$disk/old.ch4" "$disk/old.txt" "$work/"
dd if=/dev/zero of="$disk/filler" bs=4k >/dev/null 2>&1
[ "$(df --output=avail "$disk" | tail -1)" -eq 0 ] || fail "the disk did not fill: $(df "$disk")"

# expect_kept NAME COMMAND...: exit 1, the reason and the file named, the old file intact.
expect_kept() {
    local name="$1"
    shift
    "$@" >"$work/out" 2>"$work/err"
    local rc=$?
    [ $rc -eq 1 ] || fail "$* exit $rc (stdout: $(cat "$work/out"))"
    grep -q "$name" "$work/err" || fail "$* did not name $name: $(cat "$work/err")"
    grep -q "No space left on device" "$work/err" || fail "$* did not say why: $(cat "$work/err")"
    cmp -s "$disk/$name" "$work/$name" || fail "$* changed $name ($(stat -c %s "$disk/$name") bytes now)"
}
expect_kept old.ch4 "$cli" --meter=sim download -o "$disk/old.ch4"
expect_kept old.txt "$cli" export "$work/run.ch4" --set 1 -o "$disk/old.txt"
[ "$(ls -A "$disk" | wc -l)" -eq 3 ] || fail "temporary files were left: $(ls -A "$disk")"

# With room again the same commands replace the files.
rm "$disk/filler"
"$cli" --meter=sim download -o "$disk/old.ch4" >/dev/null 2>&1 || fail "download once there is room"
[ "$(stat -c %s "$disk/old.ch4")" -eq "$(stat -c %s "$work/run.ch4")" ] || fail "the download is not whole"
"$cli" export "$work/run.ch4" --set 1 -o "$disk/old.txt" 2>/dev/null || fail "export once there is room"
[ "$(stat -c %s "$disk/old.txt")" -gt 1000 ] || fail "the export is too short"
echo "ok"
