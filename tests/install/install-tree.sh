#!/usr/bin/env bash
# Installs the build into a temporary DESTDIR and checks what lands there: exactly the files of
# installed-files.txt, programs that need nothing of the build folder, a desktop entry and
# AppStream metadata that their validators accept, and manual pages that render without a
# warning.
#
# install-tree.sh <cmake> <build folder> <work folder> <project version>; exits 77 (skipped)
# without the checkers.
set -euo pipefail
cmake=$1 build=$2 work=$3 version=$4
here=$(dirname "$0")
source "$here/../support/session.sh"
require_tools desktop-file-validate appstreamcli groff man readelf

rm -rf "$work"
mkdir -p "$work"
DESTDIR="$work/root" "$cmake" --install "$build" --prefix /usr >"$work/install.log"
prefix="$work/root/usr"
failed=0
fail() {
    echo "FAILED: $*"
    failed=1
}

grep -v '^#' "$here/installed-files.txt" | sort >"$work/expected"
(cd "$prefix" && find . -mindepth 1 \( -type f -o -type l \) -printf '%P\n' | sort) >"$work/installed"
if ! diff -u "$work/expected" "$work/installed"; then
    fail "the installed files differ from installed-files.txt (- expected, + installed)"
fi

for program in "$prefix"/bin/*; do
    if readelf -d "$program" | grep -E 'R(UN)?PATH'; then
        fail "$program looks for libraries in a folder of its own"
    fi
done

app=org.tarnolix.Tarnolix
desktop="$prefix/share/applications/$app.desktop"
# Hints (such as the three main categories the entry asks for) are not faults.
if ! desktop-file-validate "$desktop" >"$work/desktop.log" 2>&1 || grep -v ': hint: ' "$work/desktop.log"; then
    cat "$work/desktop.log"
    fail "desktop-file-validate"
fi
grep -qx "Icon=$app" "$desktop" || fail "the desktop entry's icon is not $app"
grep -qx "Exec=tarnolix" "$desktop" || fail "the desktop entry does not start tarnolix"

metainfo="$prefix/share/metainfo/$app.metainfo.xml"
# The file alone, then the tree, which also looks for the entry the metadata launches.
if ! appstreamcli validate --no-net "$metainfo" >"$work/appstream.log" 2>&1 ||
    ! appstreamcli validate-tree --no-net "$work/root" >>"$work/appstream.log" 2>&1 ||
    grep -E '^ *[EW]: ' "$work/appstream.log"; then
    cat "$work/appstream.log"
    fail "appstreamcli validate"
fi
grep -q "<launchable type=\"desktop-id\">$app.desktop</launchable>" "$metainfo" ||
    fail "the metadata does not launch $app.desktop"
newest=$(grep -o '<release version="[^"]*"' "$metainfo" | head -n1 | cut -d'"' -f2)
[ "$newest" = "$version" ] || fail "the newest release in the metadata is '$newest', the project's version $version"

for page in "$prefix"/share/man/man1/*.1; do
    # As groff renders for print, and as man renders for a terminal (how lintian checks them).
    if ! groff -man -ww -z "$page" 2>"$work/groff.log" || [ -s "$work/groff.log" ]; then
        cat "$work/groff.log"
        fail "groff warns about $page"
    fi
    if ! LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "$page" >"$work/man.txt" 2>"$work/man.log" ||
        [ -s "$work/man.log" ]; then
        cat "$work/man.log"
        fail "man warns about $page"
    fi
    sections=(SYNOPSIS DESCRIPTION 'EXIT STATUS' EXAMPLES)
    case $(basename "$page") in
    tarnolix.1 | tarnolix-fx.1) sections+=(ENVIRONMENT FILES) ;;
    esac
    for section in "${sections[@]}"; do
        grep -qx "$section" "$work/man.txt" || fail "$page has no $section"
    done
    cp "$work/man.txt" "$work/$(basename "$page").txt"
done
# Every option that tarnolix-fx's own usage text names is in its manual page.
options=$("$prefix/bin/tarnolix-fx" 2>&1 | grep -o -- '--[a-z]*' | sort -u || true)
[ -n "$options" ] || fail "tarnolix-fx printed no usage"
for option in $options; do
    grep -q -- "$option" "$work/tarnolix-fx.1.txt" || fail "tarnolix-fx.1 does not describe $option"
done

[ "$failed" -eq 0 ] && echo "installed tree checked: $(wc -l <"$work/installed") files"
exit "$failed"
