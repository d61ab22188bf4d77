#!/usr/bin/env bash
# Installs the Debian packages that kvss needs, by what the caller is about to do:
#   scripts/setup.sh build     build the Linux programs and show the demo
#   scripts/setup.sh test      build everything and run the tests: the Windows
#                              cross build, Wine, the export clients, sanitizers
#   scripts/setup.sh package   build the packages and run their tests
#   scripts/setup.sh measure   time the quick start (scripts/time-quick-start.sh)
#   scripts/setup.sh           all of these
# test and package hold the build set too. Skips what is already installed; uses sudo
# when not run as root.
set -euo pipefail

build=(
  cmake g++ make pkg-config
  # OpenGL through Mesa (EGL renders the demo when there is no display)
  libgl-dev libglu1-mesa-dev libegl-dev libegl-mesa0 libgl1-mesa-dri libx11-dev
  # the monitors a full-screen window covers
  libxrandr-dev libxinerama-dev
  # kvtool and the viewer: PNG (stb) and glTF writers, the command line and
  # JSON, all header-only, so the Windows cross build uses them too
  libstb-dev libtinygltf-dev libcli11-dev nlohmann-json3-dev
)
test=(
  # the test suite, the benchmarks, sanitizers and fuzzing; the tests read
  # PNGs and GIFs back with libpng and giflib
  libgtest-dev libgmock-dev libbenchmark-dev clang libclang-rt-14-dev libpng-dev libgif-dev
  # counting the GL calls of a frame
  apitrace
  # the Windows build and its tests, the X11 tests
  g++-mingw-w64-x86-64 wine64 xvfb xdotool x11-apps
  # monitors of Xvfb made by hand, for the tests of several monitors; the Wine
  # tests' screenshots are read with ImageMagick
  x11-xserver-utils imagemagick
  # the clients that check the exports (f3d under xvfb-run, which needs xauth)
  assimp-utils f3d xauth
)
package=(
  # the Debian package (dpkg-shlibdeps, dpkg-buildflags, file) and its checks
  dpkg-dev file lintian
  # its test under the real xscreensaver, screenshots read with ImageMagick
  xscreensaver xvfb x11-apps imagemagick procps
  # the Windows installer, around a cross-built kvss.scr
  nsis g++-mingw-w64-x86-64
  # a .hog in the file manager: its MIME type and the viewer as its default
  # application, looked up as the desktop does (xdg-mime reads the type with
  # File::MimeInfo when no desktop runs)
  xdg-utils libfile-mimeinfo-perl shared-mime-info desktop-file-utils
  # two builds compared (scripts/check-reproducible.sh): git for the clean
  # copies, diffoscope to show what differs
  git diffoscope-minimal
)
measure=(debootstrap time)

case "${1:-all}" in
  build) wanted=("${build[@]}") ;;
  test) wanted=("${build[@]}" "${test[@]}") ;;
  package) wanted=("${build[@]}" "${package[@]}") ;;
  measure) wanted=("${measure[@]}") ;;
  all) wanted=("${build[@]}" "${test[@]}" "${package[@]}" "${measure[@]}") ;;
  *)
    echo "usage: scripts/setup.sh [build|test|package|measure]" >&2
    exit 2
    ;;
esac

missing=()
for package in $(printf '%s\n' "${wanted[@]}" | sort -u); do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "setup: installing ${missing[*]}" >&2
sudo=""
if [ "$(id -u)" -ne 0 ]; then
  sudo="sudo"
fi
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
