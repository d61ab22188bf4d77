#!/usr/bin/env bash
# Builds what a user installs and writes it into dist/ (ignored by git):
#   dist/kvss_<version>_amd64.deb   the Linux saver for Debian's xscreensaver, kvtool, the viewer
#   dist/kvss-setup.exe             the Windows installer (skipped with KVSS_WIN32=0), and
#   dist/kvss.scr, dist/kvss-viewer.exe, dist/kvtool.exe, the programs it installs
#   dist/SHA256SUMS                 the SHA-256 of each of these (sha256sum -c)
# The same commit gives the same bytes, wherever and whenever it is built
# (scripts/check-reproducible.sh checks it): every time stamp in them is
# SOURCE_DATE_EPOCH, by default the time of the commit (git log -1 --format=%ct).
# Usage: scripts/package.sh
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh package
mkdir -p dist

. scripts/lib.sh
source_date_epoch package.sh
built=()

# -- Linux: the Debian package ------------------------------------------------
# A build of its own, installed under /usr as Debian's xscreensaver expects,
# with the compiler and linker hardening Debian builds its packages with (the
# flags map the source folder to "." in what the compiler writes), installed
# stripped into a folder that dpkg-deb makes the package of.
linux_build=build-package
flags() { DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --get "$1"; }
cmake -S . -B "$linux_build" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
    -DKVSS_TESTS=OFF -DKVSS_BENCH=OFF \
    -DCMAKE_C_FLAGS="$(flags CFLAGS) $(flags CPPFLAGS)" -DCMAKE_CXX_FLAGS="$(flags CXXFLAGS) $(flags CPPFLAGS)" \
    -DCMAKE_EXE_LINKER_FLAGS="$(flags LDFLAGS)" >/dev/null
cmake --build "$linux_build" -j "$(nproc)"
tree=$(mktemp -d)
trap 'rm -rf "$tree"' EXIT
root=$tree/kvss
DESTDIR="$root" cmake --install "$linux_build" --strip >/dev/null
mkdir "$root/DEBIAN"

# Depends from dpkg-shlibdeps, as Debian's own packages get it (it wants a
# debian/control to read); Installed-Size in KiB, as dpkg counts it.
mkdir "$tree/debian"
printf 'Source: kvss\n\nPackage: kvss\nArchitecture: amd64\n' >"$tree/debian/control"
programs=$(find "$root/usr" -type f -perm /0111 | LC_ALL=C sort)
depends=$(cd "$tree" && dpkg-shlibdeps -O $programs | sed -n 's/^shlibs:Depends=//p')
installed_size=$(du -sk --apparent-size --exclude=DEBIAN "$root" | cut -f1)
sed -e "s/%DEPENDS%/$depends/" -e "s/%INSTALLED_SIZE%/$installed_size/" -e '/^$/d' \
    "$linux_build/packaging/control" >"$root/DEBIAN/control"
(cd "$root" && find usr -type f | LC_ALL=C sort | xargs md5sum) >"$root/DEBIAN/md5sums"

# What the package holds depends on nothing but the files: every time
# SOURCE_DATE_EPOCH, members in name order, owned by root, modes by kind (0755
# for folders and programs, 0644 for the rest, whatever the umask).
find "$root" -type d -exec chmod 0755 {} +
find "$root" -type f -perm /0111 -exec chmod 0755 {} +
find "$root" -type f ! -perm /0111 -exec chmod 0644 {} +
find "$root" -exec touch --no-dereference --date="@$SOURCE_DATE_EPOCH" {} +
version=$(sed -n 's/^Version: //p' "$root/DEBIAN/control")
deb=dist/kvss_${version}_amd64.deb
# xz on one thread, so that the stream cannot depend on the builder's cores.
dpkg-deb --root-owner-group -Zxz --threads-max=1 --build "$root" "$deb" >/dev/null
built+=("$(basename "$deb")")
echo "wrote $deb"

# -- Windows: the installer ---------------------------------------------------
if [ "${KVSS_WIN32:-1}" != 0 ]; then
  scripts/package-win32.sh build-win32
  built+=(kvss-setup.exe kvss.scr kvss-viewer.exe kvtool.exe)
fi

# What was built now, so that a file left from an earlier version is not vouched for.
(cd dist && sha256sum "${built[@]}" >SHA256SUMS)
echo "wrote dist/SHA256SUMS:"
sed 's/^/  /' dist/SHA256SUMS
