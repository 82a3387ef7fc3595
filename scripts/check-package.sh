#!/usr/bin/env bash
# Builds the Debian package in build/, unpacks it into a scratch folder and
# checks what it holds: the files a desktop installation needs, the
# dependencies on the SQL drivers, and a program that runs and makes a data
# directory. Any failure fails the script.
set -euo pipefail
cd "$(dirname "$0")/../build"

rm -f orvana-class_*.deb
cmake --build . --target desktop-files >/dev/null
cpack -G DEB >/dev/null
package=$(ls orvana-class_*.deb)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
dpkg -x "$package" "$scratch/root"

fail() { echo "check-package: $package: $*" >&2; exit 1; }
for f in usr/bin/orvana-class \
         usr/share/applications/org.orvana.Class.desktop \
         usr/share/metainfo/org.orvana.Class.metainfo.xml \
         usr/share/icons/hicolor/scalable/apps/org.orvana.Class.svg \
         usr/share/icons/hicolor/48x48/apps/org.orvana.Class.png \
         usr/share/icons/hicolor/256x256/apps/org.orvana.Class.png \
         usr/share/man/man1/orvana-class.1.gz; do
  [ -s "$scratch/root/$f" ] || fail "$f is missing"
done
zcat "$scratch/root/usr/share/man/man1/orvana-class.1.gz" | grep -q '^\\fB\\-\\-data\\-dir\\fR' \
  || fail "the manual page does not describe --data-dir"

version=$(dpkg-deb -f "$package" Version)
depends=$(dpkg-deb -f "$package" Depends)
for d in libqt6sql6-sqlite libqt6sql6-psql libqt6widgets6 libsqlite3-0; do
  [[ ", $depends," == *", $d"[\ ,]* ]] || fail "does not depend on $d ($depends)"
done
[ "$package" = "orvana-class_${version}_$(dpkg --print-architecture).deb" ] || fail "unexpected file name"

program="$scratch/root/usr/bin/orvana-class"
shown=$(QT_QPA_PLATFORM=offscreen "$program" --version)
[ "$shown" = "orvana-class $version" ] || fail "--version says '$shown', the package is $version"
QT_QPA_PLATFORM=offscreen "$program" --init-demo "$scratch/demo" >/dev/null || fail "--init-demo failed"
for f in Class.db Reports.db OMZ2006.db Shapes.txt; do
  [ -s "$scratch/demo/$f" ] || fail "--init-demo made no $f"
done
echo "check-package: $package holds what it should; --version and --init-demo work"
