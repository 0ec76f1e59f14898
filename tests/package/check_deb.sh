#!/usr/bin/env bash
# Builds the Debian package from a configured and built folder (argument: the build folder) and
# checks it as dpkg sees it: its control fields, an install by dpkg into a throw-away root whose
# package database is this system's (so its Depends must be met here), the files there, and the
# program run from there.
set -euo pipefail
build=$1
log=$(cd "$build" && cpack -G DEB 2>&1) || { echo "$log" >&2; exit 1; }
deb=$(ls "$build"/velotap_*.deb)
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
fail() { echo "package check: $*" >&2; exit 1; }

info=$(dpkg-deb --info "$deb")
for field in "Package: velotap" "Architecture: $(dpkg --print-architecture)" "Depends: .*libwebkit2gtk-4.1-0" \
             "Depends: .*libc6" "Depends: .*libcurl4"; do
    grep -q "^ $field" <<<"$info" || fail "no \"$field\" in the control data"
done

mkdir -p "$root/var/lib/dpkg/updates" "$root/var/lib/dpkg/info"
cp /var/lib/dpkg/status "$root/var/lib/dpkg/status"
as_user=()
((EUID == 0)) || as_user=(--force-not-root)
log=$(dpkg --root="$root" "${as_user[@]}" -i "$deb" 2>&1) || { echo "$log" >&2; fail "dpkg could not install it"; }
dpkg --root="$root" -s velotap | grep -q "^Status: install ok installed" || fail "dpkg does not list it as installed"
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
out=$("$root/usr/bin/velotap" --validate-theme="$root/missing.vtptheme" || true)
[ "$out" = "REJECT could not open file" ] || fail "the installed command answered \"$out\""
echo "Package $(basename "$deb") checked."
