# SPDX-License-Identifier: GPL-3.0-or-later
# Sourced by the shell tests that run commands under a locale. glibc falls back to the
# C locale without a word when a locale was never generated, so a test that only sets
# LC_ALL would pass without testing anything: these checks fail it instead.

# require_locale NAME: NAME (e.g. de_DE.UTF-8) is installed and takes effect.
require_locale() {
    local want have
    want=$(echo "$1" | tr 'A-Z' 'a-z' | sed 's/utf-8/utf8/')
    have=$(locale -a 2>/dev/null | tr 'A-Z' 'a-z' | sed 's/utf-8/utf8/')
    if ! grep -qx "$want" <<<"$have"; then
        echo "FAIL: the locale $1 is not installed, so this test would prove nothing (tools/install-deps generates it)"
        exit 1
    fi
    if [ "$(LC_ALL=$1 locale charmap 2>/dev/null)" != "UTF-8" ]; then
        echo "FAIL: LC_ALL=$1 does not take effect here"
        exit 1
    fi
}

# require_decimal_comma NAME: under NAME the C library itself writes a decimal comma,
# which is what exposes numbers formatted through the process's LC_NUMERIC.
require_decimal_comma() {
    require_locale "$1"
    if [ "$(LC_ALL=$1 locale decimal_point 2>/dev/null)" != "," ]; then
        echo "FAIL: $1 has no decimal comma here"
        exit 1
    fi
}
