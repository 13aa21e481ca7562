#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The desktop entry, AppStream data and udev rule are valid and installed where desktops look.
set -euo pipefail
src=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "$1/" && pwd)
if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$src/packaging/linux/com.tovra.kelvor.desktop"
fi
if command -v appstreamcli >/dev/null; then
  appstreamcli validate --no-net --pedantic "$src/packaging/linux/com.tovra.kelvor.metainfo.xml" >/dev/null ||
    appstreamcli validate --no-net "$src/packaging/linux/com.tovra.kelvor.metainfo.xml"
fi
rule="$src/packaging/linux/70-kelvor.rules"
grep -q 'KERNEL=="hidraw\*"' "$rule"
grep -q 'ATTRS{idVendor}=="04d9"' "$rule"
grep -q 'ATTRS{idProduct}=="e000"' "$rule"
grep -q 'TAG+="uaccess"' "$rule"
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
DESTDIR="$stage" cmake --install "$build" --prefix /usr >/dev/null
for f in usr/bin/kelvor usr/bin/kelvor-cli usr/share/applications/com.tovra.kelvor.desktop \
         usr/share/metainfo/com.tovra.kelvor.metainfo.xml \
         usr/share/icons/hicolor/scalable/apps/com.tovra.kelvor.svg \
         usr/share/icons/hicolor/48x48/apps/com.tovra.kelvor.png usr/lib/udev/rules.d/70-kelvor.rules; do
  [ -e "$stage/$f" ] || { echo "not installed: $f"; exit 1; }
done
echo "packaging ok"
