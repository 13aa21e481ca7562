#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Rebuilds the committed panel bitmaps in resources/lcd and resources/icons.
set -euo pipefail
cd "$(dirname "$0")/../.."
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
g++ -std=c++20 -O1 -fPIC tools/genart/genart.cpp -o "$tmp/genart" $(pkg-config --cflags --libs Qt6Gui)
QT_QPA_PLATFORM=offscreen "$tmp/genart" resources/lcd
mkdir -p resources/icons
mv resources/lcd/icon_*.png resources/icons/
