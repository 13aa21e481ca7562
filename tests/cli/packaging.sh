#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The staged install (cmake --install into a scratch root): every file is where
# desktops, man, bash and udev look for it, and each is read by the tool that
# reads it on a real system. tools/check-package builds the .deb packages and runs
# lintian on them.
set -euo pipefail
src=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "$1/" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
note() { echo "note: $*"; }
id=com.tovra.kelvor

DESTDIR="$work/stage" cmake --install "$build" --prefix /usr >/dev/null
usr="$work/stage/usr"
for f in bin/kelvor bin/kelvor-cli libexec/kelvor/kelvor-cli-report share/applications/$id.desktop share/metainfo/$id.metainfo.xml \
         share/mime/packages/$id.xml share/icons/hicolor/scalable/apps/$id.svg \
         share/icons/hicolor/48x48/apps/$id.png lib/udev/rules.d/70-kelvor.rules \
         share/bash-completion/completions/kelvor-cli share/kelvor/profiles/leadfree-reflow.json \
         share/kelvor/profiles/food-cooling.json share/kelvor/profiles/heat-treatment-soak.json \
         share/doc/kelvor/copyright share/doc/kelvor/changelog.Debian.gz \
         share/doc/kelvor-cli/copyright share/doc/kelvor-cli/changelog.Debian.gz; do
    [ -s "$usr/$f" ] || fail "not installed: /usr/$f"
done

# The udev rule gives the seat's user the meter's hidraw node.
rule="$usr/lib/udev/rules.d/70-kelvor.rules"
for want in 'KERNEL=="hidraw\*"' 'ATTRS{idVendor}=="04d9"' 'ATTRS{idProduct}=="e000"' 'TAG+="uaccess"'; do
    grep -q "$want" "$rule" || fail "udev rule lacks $want"
done

# Both programs answer --help and --version without any display.
nodisplay=(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM)
version=$("${nodisplay[@]}" "$usr/bin/kelvor" --version) || fail "kelvor --version without a display"
[[ $version == "kelvor "* ]] || fail "kelvor --version printed: $version"
version=${version#kelvor }
# Read whole before grep: grep -q stops at its match, and the writer's SIGPIPE would fail the pipe.
help=$("${nodisplay[@]}" "$usr/bin/kelvor" --help) || fail "kelvor --help without a display"
grep -q -- '--meter' <<<"$help" || fail "kelvor --help lacks --meter"
help=$("${nodisplay[@]}" "$usr/bin/kelvor-cli" --help) || fail "kelvor-cli --help without a display"
grep -q '^Commands:' <<<"$help" || fail "kelvor-cli --help lists no commands"

# The MIME types: valid XML that shared-mime-info compiles into globs, an icon for
# each, and the same list in the desktop entry and the AppStream data.
mime="$usr/share/mime/packages/$id.xml"
xmllint --noout "$mime" || fail "MIME XML does not parse"
types=$(sed -n 's/.*<mime-type type="\([^"]*\)".*/\1/p' "$mime" | sort)
[ "$types" = $'application/x-kelvor-collection\napplication/x-kelvor-graph' ] || fail "MIME types: $types"
for t in $types; do
    icon="$usr/share/icons/hicolor/scalable/mimetypes/${t//\//-}.svg"
    [ -s "$icon" ] && xmllint --noout "$icon" || fail "no icon for $t"
done
desktop="$usr/share/applications/$id.desktop"
listed=$(sed -n 's/^MimeType=//p' "$desktop" | tr ';' '\n' | sed '/^$/d' | sort)
[ "$listed" = "$types" ] || fail "desktop MimeType= lists: $listed"
provided=$(sed -n 's/.*<mediatype>\(.*\)<\/mediatype>.*/\1/p' "$usr/share/metainfo/$id.metainfo.xml" | sort)
[ "$provided" = "$types" ] || fail "AppStream <provides> lists: $provided"
if command -v update-mime-database >/dev/null; then
    mkdir -p "$work/mime/packages"
    cp "$mime" "$work/mime/packages/"
    update-mime-database "$work/mime" 2>"$work/mime.log" || { cat "$work/mime.log"; fail "update-mime-database"; }
    grep -qx '50:application/x-kelvor-graph:\*\.ghf' "$work/mime/globs2" || fail "no glob for *.ghf"
    grep -qx '50:application/x-kelvor-collection:\*\.ch4' "$work/mime/globs2" || fail "no glob for *.ch4"
else
    note "update-mime-database is not installed; the MIME database was not built"
fi

# The desktop entry hands files to the program.
grep -qx 'Exec=kelvor %F' "$desktop" || fail "desktop Exec= is not 'kelvor %F'"
if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$desktop" || fail "desktop-file-validate"
else
    note "desktop-file-validate is not installed"
fi

# AppStream: valid for the AppStream this system has, its newest release is this
# version, and nothing in it or the package points at an address that does not exist.
metainfo="$usr/share/metainfo/$id.metainfo.xml"
if command -v appstreamcli >/dev/null; then
    appstreamcli validate --no-net --pedantic "$metainfo" >"$work/as.log" || { cat "$work/as.log"; fail "appstreamcli validate"; }
else
    xmllint --noout "$metainfo" || fail "metainfo does not parse"
fi
grep -q "<release version=\"$version\"" "$metainfo" || fail "no AppStream release entry for $version"
placeholders='example\.(org|com|net)|localhost|TODO|FIXME|changeme'
if grep -Eni "$placeholders" "$metainfo" "$usr/share/applications/$id.desktop"; then
    fail "a placeholder is left in the AppStream or desktop data"
fi
grep -Ei "Homepage:.*($placeholders)" "$build/CPackConfig.cmake" && fail "a placeholder homepage in the packages"

# The Debian changelog names this version.
zcat "$usr/share/doc/kelvor/changelog.Debian.gz" | head -1 | grep -q "^kelvor ($version-" ||
    fail "changelog does not begin with $version"
grep -q '^Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' \
    "$usr/share/doc/kelvor/copyright" || fail "copyright is not machine-readable"

# Manual pages, made by help2man from the programs' own --help.
if grep -q '^HELP2MAN_PROGRAM:FILEPATH=/' "$build/CMakeCache.txt"; then
    for p in kelvor kelvor-cli; do
        page="$usr/share/man/man1/$p.1.gz"
        gzip -t "$page" || fail "no manual page for $p"
        zcat "$page" | grep -q -- 'meter' || fail "the manual page of $p lacks the options"
        if command -v man >/dev/null; then
            warnings=$(LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z "$page" 2>&1 >/dev/null)
            [ -z "$warnings" ] || fail "man warns about $p.1: $warnings"
        fi
    done
    # Each command has its subsection with every option its own --help lists, and the
    # pages have the sections a user looks for.
    roff=$(zcat "$usr/share/man/man1/kelvor-cli.1.gz" | sed 's/\\-/-/g')
    for heading in COMMANDS FILES ENVIRONMENT "EXIT STATUS" EXAMPLES; do
        grep -q "^\.SH \"\?$heading\"\?\$" <<<"$roff" || fail "kelvor-cli.1 has no $heading section"
    done
    for heading in FILES ENVIRONMENT "EXIT STATUS" EXAMPLES; do
        zcat "$usr/share/man/man1/kelvor.1.gz" | grep -q "^\.SH \"\?$heading\"\?\$" || fail "kelvor.1 has no $heading section"
    done
    global_options=$("$usr/bin/kelvor-cli" --help | sed -n '/^Options:/,/^$/p' | grep -oE -- '^  (-[a-zA-Z], )?--[a-z][a-z0-9-]*' |
        grep -oE -- '--[a-z][a-z0-9-]*')
    cli_commands=$("$usr/bin/kelvor-cli" --help | sed -n '/^Commands:/,/^$/s/^  \([a-z][a-z0-9-]*\) .*/\1/p')
    [ "$(wc -l <<<"$cli_commands")" -ge 10 ] || fail "too few commands read from --help: $cli_commands"
    for c in $cli_commands; do
        section=$(sed -n "/^\.SS \"$c\"\$/,/^\.S[SH] /p" <<<"$roff")
        [ -n "$section" ] || fail "kelvor-cli.1 has no section for $c"
        for opt in $("$usr/bin/kelvor-cli" "$c" --help | sed -n '/^Options:/,/^$/p' | grep -oE -- '^  (-[a-zA-Z], )?--[a-z][a-z0-9-]*' | grep -oE -- '--[a-z][a-z0-9-]*' | sort -u); do
            grep -qx -- "$opt" <<<"$global_options" && continue  # in the page's OPTIONS section
            grep -q -- "$opt" <<<"$section" || fail "kelvor-cli.1 lacks $opt in the section of $c"
        done
    done
else
    note "help2man is not installed; the manual pages were not made"
fi

# Completion: every command of kelvor-cli --help, and a command's own options.
complete_words() {  # the words of the command line; the last one is being completed
    bash -c 'source "$1"; shift; COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); _kelvor_cli
             printf "%s\n" "${COMPREPLY[@]}"' _ "$usr/share/bash-completion/completions/kelvor-cli" "$@"
}
commands=$("$usr/bin/kelvor-cli" --help | sed -n '/^Commands:/,/^$/s/^  \([a-z][a-z0-9-]*\) .*/\1/p')
[ "$(complete_words "$usr/bin/kelvor-cli" '' | sort)" = "$(sort <<<"$commands")" ] ||
    fail "completion of the command differs from kelvor-cli --help"
[ "$(complete_words "$usr/bin/kelvor-cli" --meter=sim ex)" = export ] || fail "completion of 'ex'"
got=$(complete_words "$usr/bin/kelvor-cli" export --s | tr '\n' ' ')
[ "$got" = '--set ' ] || fail "completion of export --s: $got"
got=$(complete_words "$usr/bin/kelvor-cli" probe --li | tr '\n' ' ')
[ "$got" = '--list ' ] || fail "completion of probe --li: $got"

# The graph template the windowed program ships for its first start.
if grep -q 'graph\.ghf' "$src/cmake/install.cmake" "$src/CMakeLists.txt" "$src/src/CMakeLists.txt" 2>/dev/null; then
    template="$usr/share/kelvor/template/graph.ghf"
    [ -s "$template" ] || fail "the default graph template is not installed under /usr/share/kelvor/template"
    # A graph file: a 32-bit little-endian length, then exactly that many bytes.
    length=$(od -An -tu4 -N4 --endian=little "$template" | tr -d ' ')
    [ $((length + 4)) -eq "$(stat -c %s "$template")" ] || fail "the installed template is not a graph file"
else
    note "no default graph template is shipped yet; not checked"
fi

# The command line tool needs no display libraries (its package installs on a
# server); it hands `report` to the report writer of the windowed program's package,
# and without that package says what to install.
if command -v readelf >/dev/null; then
    needed=$(readelf -d "$usr/bin/kelvor-cli" | sed -n 's/.*Shared library: \[\(.*\)\]/\1/p')
    if grep -E 'libQt6(Gui|Widgets|PrintSupport|Svg|OpenGL|Xcb)|libGL|libEGL|libX|libxcb|libxkb|libfontconfig' <<<"$needed"
    then
        fail "kelvor-cli links display libraries"
    fi
fi
"${nodisplay[@]}" "$usr/bin/kelvor-cli" report "$work/none.ch4" --set 1 -o "$work/none.pdf" 2>"$work/err" &&
    fail "a report of a missing file succeeded"
grep -q 'none.ch4' "$work/err" || fail "the installed report writer was not reached: $(cat "$work/err")"
mkdir "$work/alone"
cp "$usr/bin/kelvor-cli" "$work/alone/"
"$work/alone/kelvor-cli" report "$work/none.ch4" --set 1 -o "$work/none.pdf" 2>"$work/err" &&
    fail "a report without the writer succeeded"
grep -q 'comes with the kelvor package' "$work/err" || fail "no report writer: $(cat "$work/err")"
echo "packaging ok"
