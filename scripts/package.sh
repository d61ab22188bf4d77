#!/usr/bin/env bash
# Builds what a user installs and writes it into dist/ (ignored by git):
#   dist/kvss_<version>_amd64.deb   the Linux saver, for Debian's xscreensaver
#   dist/kvss-setup.exe             the Windows installer (skipped with KVSS_WIN32=0)
# Usage: scripts/package.sh
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
mkdir -p dist

# -- Linux: the Debian package ------------------------------------------------
# A build of its own, installed under /usr as Debian's xscreensaver expects;
# CPack asks dpkg-shlibdeps for the Depends line.
linux_build=build-package
cmake -S . -B "$linux_build" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
    -DKVSS_TESTS=OFF -DKVSS_BENCH=OFF -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON >/dev/null
cmake --build "$linux_build" -j "$(nproc)" --target kvss kvss_man_page
rm -f "$linux_build"/kvss_*.deb
(cd "$linux_build" && cpack -G DEB >/dev/null)
deb=$(ls "$linux_build"/kvss_*_amd64.deb)
cp "$deb" dist/
echo "wrote dist/$(basename "$deb")"

# -- Windows: the installer ---------------------------------------------------
if [ "${KVSS_WIN32:-1}" != 0 ]; then
  scripts/package-win32.sh build-win32
fi
