#!/usr/bin/env bash
# Makes the Debian package from a Release build of its own (build-release/),
# whatever build/ holds: programs built with Debian's hardening flags and
# debug information, then stripped by cpack, their symbols in a -dbgsym
# package. Prints the packages' paths; with --lintian, checks them too.
set -euo pipefail
cd "$(dirname "$0")/.."
flags() { DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --get "$1" 2>/dev/null || true; }
cmake -S . -B build-release -DCMAKE_BUILD_TYPE=Release -DZEPH_BUILD_TESTS=OFF \
    -DZEPH_BUILD_BENCH=OFF -DZEPH_FUZZ=OFF \
    -DCMAKE_C_FLAGS="$(flags CFLAGS) $(flags CPPFLAGS)" \
    -DCMAKE_CXX_FLAGS="$(flags CXXFLAGS) $(flags CPPFLAGS)" \
    -DCMAKE_EXE_LINKER_FLAGS="$(flags LDFLAGS)" >/dev/null
cmake --build build-release -j"$(nproc)"
(cd build-release && rm -f ./*.deb ./*.ddeb && cpack -G DEB >/dev/null)

# cpack's -dbgsym package lists its files in md5sums by their paths in its
# own work folder, and lacks the documentation link: made again here.
ddeb=$(ls build-release/zeph-search-dbgsym_*.ddeb)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
dpkg-deb -R "$ddeb" "$work/root"
(cd "$work/root" && find usr -type f -print0 | sort -z | xargs -0 md5sum >DEBIAN/md5sums)
mkdir -p "$work/root/usr/share/doc"
ln -s zeph-search "$work/root/usr/share/doc/zeph-search-dbgsym"
dpkg-deb --root-owner-group -Zxz --build "$work/root" "$ddeb" >/dev/null
ls "$PWD"/build-release/*.deb "$PWD/$ddeb"
if [ "${1:-}" = --lintian ]; then
    lintian --fail-on error "$PWD"/build-release/zeph-search_*.deb "$PWD/$ddeb"
    appstreamcli validate --no-net resources/desktop/org.zeph.Search.metainfo.xml
    desktop-file-validate resources/desktop/zeph-search.desktop resources/desktop/zeph-watcher.desktop
fi
