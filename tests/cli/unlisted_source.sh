#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# A source file that is not listed in src/CMakeLists.txt stops the configure with its
# name, rather than being built somewhere by guesswork or left out.
set -u
src=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

# A copy of the sources (not the build folders) with one stray file.
mkdir "$work/tree"
(cd "$src" && tar cf - --exclude='./build*' --exclude=./.git .) | tar xf - -C "$work/tree"
echo 'int strayFunction() { return 1; }' >"$work/tree/src/base/stray.cpp"
cmake -S "$work/tree" -B "$work/build" -G Ninja -DKELVOR_BUILD_TESTS=OFF -DKELVOR_BUILD_BENCH=OFF \
    >"$work/out" 2>&1 && fail "configure passed with an unlisted source"
grep -q "src/base/stray.cpp" "$work/out" || fail "the message does not name the file: $(cat "$work/out")"

# Without it the same tree configures.
rm "$work/tree/src/base/stray.cpp"
cmake -S "$work/tree" -B "$work/build2" -G Ninja -DKELVOR_BUILD_TESTS=OFF -DKELVOR_BUILD_BENCH=OFF \
    >"$work/out2" 2>&1 || fail "the listed tree does not configure: $(tail -20 "$work/out2")"
echo "ok"
