#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Many programs starting at once on a new data folder: one creates the library, the
# others wait for it and find it made. Every one of them exits 0 and the library is
# whole (one schema, WAL). Repeated on fresh folders, since a lost race is a matter
# of timing. ROUNDS and PARALLEL make it harder.
set -u
bin="$1"
cli="$bin/kelvor-cli"
rounds="${ROUNDS:-3}"
parallel="${PARALLEL:-40}"
command -v sqlite3 >/dev/null || { echo "SKIP: sqlite3 (the command-line tool) is missing"; exit 77; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

for round in $(seq 1 "$rounds"); do
    dir="$work/data$round"
    mkdir "$dir"
    pids=()
    for n in $(seq 1 "$parallel"); do
        "$cli" --data-dir "$dir" library list >"$work/out$n" 2>"$work/err$n" &
        pids+=($!)
    done
    failed=0
    for n in $(seq 1 "$parallel"); do
        wait "${pids[$((n - 1))]}" || {
            failed=$((failed + 1))
            echo "round $round, program $n: $(cat "$work/err$n")"
        }
    done
    [ "$failed" -eq 0 ] || fail "round $round: $failed of $parallel programs failed"
    cat "$work"/err* | grep . && fail "round $round: a program complained"
    db="$dir/kelvor.sqlite"
    [ "$(sqlite3 "$db" 'PRAGMA journal_mode')" = wal ] || fail "round $round: not in WAL mode"
    [ "$(sqlite3 "$db" 'SELECT count(*) FROM schema_version')" -eq 1 ] || fail "round $round: schema_version rows"
    [ "$(sqlite3 "$db" 'PRAGMA integrity_check')" = ok ] || fail "round $round: integrity_check"
    ls "$dir" | grep -q damaged && fail "round $round: a library was set aside: $(ls "$dir")"
done
echo "$rounds rounds of $parallel programs opened one new library"
