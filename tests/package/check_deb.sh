#!/usr/bin/env bash
# Builds the Debian package from a configured and built folder (argument: the build folder) and
# checks it as dpkg sees it: its control fields, its files, and the program run from a throw-away
# root it was unpacked into.
set -euo pipefail
build=$1
source=$(cd "$(dirname "$0")/../.." && pwd)
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls "$build"/velotap_*.deb)
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
fail() { echo "package check: $*" >&2; exit 1; }

info=$(dpkg-deb --info "$deb")
for field in "Package: velotap" "Architecture: $(dpkg --print-architecture)" "Depends: .*libwebkit2gtk-4.1-0" \
             "Depends: .*libc6" "Depends: .*libcurl4"; do
    grep -q "^ $field" <<<"$info" || fail "no \"$field\" in the control data"
done

dpkg-deb -x "$deb" "$root"
for f in usr/lib/velotap/VelotapApp usr/lib/velotap/VelotapOpener usr/lib/velotap/ui/index.html \
         usr/share/applications/velotap.desktop usr/share/mime/packages/velotap.xml \
         usr/share/icons/hicolor/16x16/apps/velotap.png usr/share/icons/hicolor/256x256/apps/velotap.png \
         usr/share/icons/hicolor/48x48/mimetypes/application-x-velotap-theme.png \
         usr/share/icons/hicolor/48x48/mimetypes/application-x-velotap-macro.png; do
    [ -s "$root/$f" ] || fail "$f is missing"
done
[ "$(readlink -f "$root/usr/bin/velotap")" = "$root/usr/lib/velotap/VelotapApp" ] ||
    fail "usr/bin/velotap does not lead to the program"
desktop-file-validate "$root/usr/share/applications/velotap.desktop" || fail "the desktop entry is invalid"
file "$root/usr/share/icons/hicolor/256x256/apps/velotap.png" | grep -q "256 x 256, 8-bit/color RGBA" ||
    fail "the 256 pixel icon is not a 256 x 256 RGBA PNG"

# The installed command runs: a console check needs no display.
out=$("$root/usr/bin/velotap" --validate-theme="$source/tests/package/missing.vtptheme" || true)
[ -n "$out" ] || fail "the installed command printed nothing"
echo "Package $(basename "$deb") checked."
