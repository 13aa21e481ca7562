#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# kelvor-cli record killed with SIGKILL at random moments: each time the library holds
# every sample the recorder printed (it prints only what is committed), at most one more
# (committed, not yet printed), lists and counts them once it finds the run interrupted,
# and passes SQLite's integrity check. Then the other
# library commands over what the kills left. ROUNDS=200 makes it a soak.
set -u
bin="$1"
cli="$bin/kelvor-cli"
rounds="${ROUNDS:-20}"
command -v sqlite3 >/dev/null || { echo "sqlite3 (the command-line tool) is missing"; exit 77; }
command -v python3 >/dev/null || { echo "python3 (reads the list's JSON) is missing"; exit 77; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
db="$work/kelvor.sqlite"

# The samples of recording $1 as the recorder prints them: T1..T4, one decimal, OL, ----.
printed_form() {
    sqlite3 -separator $'\t' "file:$db?mode=ro" "SELECT
      CASE WHEN flags & 1 THEN 'OL' WHEN flags & 16 THEN '----' ELSE printf('%.1f', t1) END,
      CASE WHEN flags & 2 THEN 'OL' WHEN flags & 32 THEN '----' ELSE printf('%.1f', t2) END,
      CASE WHEN flags & 4 THEN 'OL' WHEN flags & 64 THEN '----' ELSE printf('%.1f', t3) END,
      CASE WHEN flags & 8 THEN 'OL' WHEN flags & 128 THEN '----' ELSE printf('%.1f', t4) END
      FROM samples WHERE recording_id = $1 ORDER BY seq"
}

total=0
for round in $(seq 1 "$rounds"); do
    "$cli" --data-dir "$work" record --meter=sim:seed=$round --interval 00:00 >"$work/out" 2>"$work/err" &
    pid=$!
    # 0.3 s to 1.5 s: sometimes before the first sample, mostly in the middle of a run.
    sleep "$(printf '0.%03d' $((RANDOM % 1000)))"
    sleep 0.3
    kill -9 "$pid"
    wait "$pid" 2>/dev/null
    # Only whole lines count (wc -l counts line ends): the kill may cut the last one.
    printed=$(wc -l <"$work/out")
    total=$((total + printed))
    id=$(sqlite3 "file:$db?mode=ro" "SELECT coalesce(max(id), 0) FROM recordings")
    [ "$id" -ge 1 ] || { [ "$printed" -eq 0 ] && continue; fail "round $round: $printed printed, no recording"; }
    stored=$(sqlite3 "file:$db?mode=ro" "SELECT count(*) FROM samples WHERE recording_id = $id")
    # The killed run is still "recording": the list counts its rows, and finding it
    # interrupted (which the list does first) writes that count onto its row.
    "$cli" --data-dir "$work" library list --json >"$work/list.json" || fail "round $round: library list exit $?"
    listed=$(python3 -c 'import json, sys
print(next(e["samples"] for e in json.load(open(sys.argv[1])) if e["id"] == int(sys.argv[2])))' "$work/list.json" "$id") ||
        fail "round $round: recording $id not listed"
    count=$(sqlite3 "file:$db?mode=ro" "SELECT sample_count FROM recordings WHERE id = $id")
    [ "$stored" -eq "$listed" ] && [ "$stored" -eq "$count" ] ||
        fail "round $round: $stored rows but the list counts $listed and the recording $count"
    [ "$stored" -ge "$printed" ] && [ "$stored" -le $((printed + 1)) ] ||
        fail "round $round: printed $printed samples, the library holds $stored"
    cut -f2- "$work/out" | head -n "$printed" >"$work/printed"
    printed_form "$id" | head -n "$printed" >"$work/stored"
    cmp -s "$work/printed" "$work/stored" || fail "round $round: stored samples differ from printed ones"
    check=$(sqlite3 "$db" "PRAGMA integrity_check")
    [ "$check" = "ok" ] || fail "round $round: integrity_check: $check"
done

[ "$total" -ge "$rounds" ] || fail "only $total samples over $rounds rounds: the kills came too early"

# Every killed run is found interrupted; none is still "recording".
"$cli" --data-dir "$work" library list --json >"$work/list.json" || fail "library list exit $?"
left=$(sqlite3 "file:$db?mode=ro" "SELECT count(*) FROM recordings WHERE state = 'recording'")
[ "$left" -eq 0 ] || fail "$left recordings left in the recording state after list"
grep -q '"state": "interrupted"' "$work/list.json" || fail "no interrupted recording listed"

# A finished run, exported by an independent reader's measure: the table has one line per
# sample; delete asks (no terminal: refuses) unless --yes.
"$cli" --data-dir "$work" record --meter=sim --interval 00:00 --count 5 --name "short" --quiet \
    --csv "$work/stream.csv" 2>/dev/null || fail "record --count exit $?"
id=$(sqlite3 "file:$db?mode=ro" "SELECT id FROM items WHERE name = 'short'")
[ "$(sqlite3 "file:$db?mode=ro" "SELECT state FROM recordings WHERE id = $id")" = complete ] || fail "not complete"
[ "$(wc -l <"$work/stream.csv")" -eq 6 ] || fail "the --csv stream needs a header and 5 lines"
head -n1 "$work/stream.csv" | grep -qx 'time,T1,T2,T3,T4' || fail "csv header: $(head -n1 "$work/stream.csv")"
"$cli" --data-dir "$work" library export "$id" -o "$work/short.csv" --iso || fail "export exit $?"
[ "$(wc -l <"$work/short.csv")" -eq 5 ] || fail "export wrote $(wc -l <"$work/short.csv") lines"
"$cli" --data-dir "$work" library delete "$id" </dev/null 2>/dev/null && fail "delete without --yes must refuse"
"$cli" --data-dir "$work" library delete "$id" --yes 2>/dev/null || fail "delete --yes exit $?"
[ "$(sqlite3 "file:$db?mode=ro" "SELECT count(*) FROM samples WHERE recording_id = $id")" -eq 0 ] ||
    fail "deleted recording left samples"
"$cli" --data-dir "$work" library export "$id" -o "$work/gone.csv" 2>/dev/null && fail "export of a deleted item"
"$cli" --data-dir "$work" library frob 2>/dev/null
[ $? -eq 2 ] || fail "an unknown library action must exit 2"

# An unplugged meter: a gap, then the run goes on in the same recording.
"$cli" --data-dir "$work" record --meter='sim:faults=unplug@8+12' --interval 00:00 --count 12 --quiet \
    --name unplugged 2>"$work/err" || fail "record over an unplug exit $?"
grep -q "stopped answering" "$work/err" || fail "the unplug was not noticed: $(cat "$work/err")"
id=$(sqlite3 "file:$db?mode=ro" "SELECT id FROM items WHERE name = 'unplugged'")
[ "$(sqlite3 "file:$db?mode=ro" "SELECT count(*) FROM samples WHERE recording_id = $id")" -eq 12 ] ||
    fail "the unplugged run lost samples"
echo "ok: $rounds kills, $total samples checked"
