#!/usr/bin/env bash
# Makes the Debian package with CPack into a temporary folder and checks it: its name, its
# control fields (dependencies from dpkg-shlibdeps and the Polish translations), that it holds
# exactly the installed files of installed-files.txt under /usr (manual pages compressed) plus
# its copyright and changelog, that lintian finds no error in it, and that its programs are
# hardened: no hardening tag from lintian (fortified functions, relro, bindnow, PIE) and the stack
# protector, which lintian does not check, in every program.
#
# debian-package.sh <cpack> <build folder> <work folder> <project version> <hardened: ON or OFF>;
# exits 77 (skipped) without dpkg-shlibdeps, file, lintian or readelf, and where a build that is
# not hardened (cmake/Hardening.cmake: Debug, sanitizers, no dpkg-buildflags) passes all but the
# hardening checks.
set -euo pipefail
cpack=$1 build=$2 work=$3 version=$4 hardened=$5
here=$(dirname "$0")
source "$here/../support/session.sh"
require_tools dpkg-deb dpkg-shlibdeps file lintian readelf

rm -rf "$work"
mkdir -p "$work"
start=$(date +%s)
(cd "$build" && "$cpack" -G DEB -B "$work" >"$work/cpack.log" 2>&1) || { cat "$work/cpack.log"; exit 1; }
echo "cpack: $(($(date +%s) - start)) s"
package="$work/tarnolix_${version}_amd64.deb"
[ -f "$package" ] || { echo "no $package"; ls "$work"; exit 1; }
failed=0
fail() {
    echo "FAILED: $*"
    failed=1
}

dpkg-deb --info "$package" | tee "$work/info"
field() { dpkg-deb --field "$package" "$1"; }
[ "$(field Package)" = tarnolix ] || fail "Package"
[ "$(field Version)" = "$version" ] || fail "Version"
[ "$(field Architecture)" = amd64 ] || fail "Architecture"
[ "$(field Section)" = video ] || fail "Section"
[[ "$(field Maintainer)" =~ ^[^\<]+\ \<[^@\>]+@[^\>]+\>$ ]] || fail "Maintainer"
[ "$(field Description | wc -l)" -gt 3 ] || fail "Description: no extended description"
depends=$(field Depends)
for needed in qt6-translations-l10n libc6 libqt6widgets6 libqt6gui6 libqt6core6 libjpeg62-turbo libv4l-0; do
    [[ ", $depends," == *", $needed "* || ", $depends," == *", $needed,"* ]] || fail "Depends lacks $needed"
done
[[ "$(field Suggests)" == *v4l2loopback-dkms* ]] || fail "Suggests lacks v4l2loopback-dkms"

grep -v '^#' "$here/installed-files.txt" | sed -e 's|^|usr/|' -e 's|^\(usr/share/man/.*\.[1-9]\)$|\1.gz|' >"$work/expected"
printf '%s\n' usr/share/doc/tarnolix/copyright usr/share/doc/tarnolix/changelog.gz >>"$work/expected"
sort -o "$work/expected" "$work/expected"
dpkg-deb --contents "$package" | awk '$1 !~ /^d/ { print $NF }' | sed 's|^\./||' | sort >"$work/contents"
if ! diff -u "$work/expected" "$work/contents"; then
    fail "the package's files differ from installed-files.txt (- expected, + packaged)"
fi

start=$(date +%s)
lintian --display-info --tag-display-limit 0 "$package" >"$work/lintian.log" 2>&1 || true
echo "lintian: $(($(date +%s) - start)) s"
cat "$work/lintian.log"
if grep -q '^E: ' "$work/lintian.log"; then
    fail "lintian reports errors"
fi

unhardened=$(grep -E '^[A-Z]: [^ ]+ hardening-' "$work/lintian.log" || true)
dpkg-deb -x "$package" "$work/unpacked"
for program in "$work"/unpacked/usr/bin/*; do
    readelf --dyn-syms -W "$program" | grep ' __stack_chk_fail' >/dev/null ||
        unhardened+=$'\n'"no stack protector in ${program#"$work"/unpacked/}"
done
if [ -n "$unhardened" ] && [ "$hardened" = ON ]; then
    fail "the programs are not hardened: $unhardened"
fi
[ "$failed" -eq 0 ] || exit 1
if [ -n "$unhardened" ]; then
    echo "this build has no hardening flags, so the hardening checks are skipped: $unhardened"
    exit 77
fi
echo "package checked: $package, $(stat -c %s "$package") bytes"
