#!/usr/bin/env bash
# Builds what a user installs and writes it into dist/ (ignored by git):
#   dist/kvss_<version>_amd64.deb   the Linux saver for Debian's xscreensaver, kvtool, the viewer
#   dist/kvss-setup.exe             the Windows installer (skipped with KVSS_WIN32=0)
# Usage: scripts/package.sh
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh package
mkdir -p dist

# -- Linux: the Debian package ------------------------------------------------
# A build of its own, installed under /usr as Debian's xscreensaver expects,
# with the compiler and linker hardening Debian builds its packages with;
# CPack asks dpkg-shlibdeps for the Depends line.
linux_build=build-package
flags() { DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --get "$1"; }
cmake -S . -B "$linux_build" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
    -DKVSS_TESTS=OFF -DKVSS_BENCH=OFF \
    -DCMAKE_C_FLAGS="$(flags CFLAGS) $(flags CPPFLAGS)" -DCMAKE_CXX_FLAGS="$(flags CXXFLAGS) $(flags CPPFLAGS)" \
    -DCMAKE_EXE_LINKER_FLAGS="$(flags LDFLAGS)" >/dev/null
cmake --build "$linux_build" -j "$(nproc)"
rm -f "$linux_build"/kvss_*.deb
(cd "$linux_build" && cpack -G DEB >/dev/null)
deb=$(ls "$linux_build"/kvss_*_amd64.deb)
cp "$deb" dist/
echo "wrote dist/$(basename "$deb")"

# -- Windows: the installer ---------------------------------------------------
if [ "${KVSS_WIN32:-1}" != 0 ]; then
  scripts/package-win32.sh build-win32
fi
