#!/usr/bin/env bash
# Validates the desktop file, builds the Debian package and checks what it holds.
# Usage: packaging_test.sh SOURCE_DIR BUILD_DIR
set -u
source=$1
build=$2
passed=0
failed=0
check() {
  if "$@"; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAIL: $*"; fi
}

check desktop-file-validate "$source/packaging/tollvane.desktop"
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
(cd "$build" && cpack -G DEB -B "$out" >/dev/null)
deb=$(ls "$out"/tollvane_*.deb 2>/dev/null | head -n1)
check test -n "$deb"
contents=$(dpkg-deb -c "$deb" 2>/dev/null | awk '{print $NF}')
for f in ./usr/bin/tollvane ./usr/bin/tollvane-cli ./usr/share/applications/tollvane.desktop \
  ./usr/share/icons/hicolor/16x16/apps/tollvane.png ./usr/share/icons/hicolor/32x32/apps/tollvane.png \
  ./usr/share/icons/hicolor/48x48/apps/tollvane.png ./usr/lib/udev/rules.d/60-tollvane-usb-blaster.rules \
  ./usr/share/man/man1/tollvane.1 ./usr/share/man/man1/tollvane-cli.1 ./usr/share/mime/packages/tollvane-jedec.xml; do
  check grep -qxF "$f" <<<"$contents"
done
depends=$(dpkg-deb -f "$deb" Depends 2>/dev/null)
for lib in libqt6widgets6 libqt6dbus6 libusb-1.0-0 qt6-qpa-plugins; do
  check grep -q "$lib" <<<"$depends"
done
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
