#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# reports.sh clear|check: under the sanitizer build every report goes to a file
# (log_path in ASAN_OPTIONS and UBSAN_OPTIONS, see the asan test preset), so a report
# from a program that a test expects to fail is not hidden by the exit status it checks.
# "clear" runs before the tests, "check" after them and fails, printing them, if any
# program wrote a report.
set -euo pipefail
if [[ ":${ASAN_OPTIONS:-}:" =~ :log_path=([^:]+): ]]; then
  base=${BASH_REMATCH[1]}
else
  echo "ASAN_OPTIONS names no log_path, so reports go to each test's own output (use ctest --preset asan)"
  exit 77
fi
shopt -s nullglob
case "${1:-}" in
  clear)
    mkdir -p "$(dirname "$base")"
    rm -f "$base".*
    ;;
  check)
    reports=("$base".*)
    if ((${#reports[@]})); then
      for f in "${reports[@]}"; do
        echo "==== $f"
        cat "$f"
      done
      echo "${#reports[@]} sanitizer report(s)"
      exit 1
    fi
    echo "no sanitizer report in $(dirname "$base")"
    ;;
  *)
    echo "usage: $0 clear|check" >&2
    exit 2
    ;;
esac
