#!/usr/bin/env bash
# Installs every Debian package that kvss needs to build, test and run.
# Skips what is already installed; uses sudo when not run as root.
set -euo pipefail

packages=(
  # build
  cmake g++ make pkg-config
  # libraries
  libgl-dev libglu1-mesa-dev libegl-dev libegl-mesa0 libgl1-mesa-dri libx11-dev
  libstb-dev libpng-dev nlohmann-json3-dev libcli11-dev
  # tests, benchmarks, sanitizers and fuzzing
  libgtest-dev libgmock-dev libbenchmark-dev clang libclang-rt-14-dev
  # counting the GL calls of a frame
  apitrace
  # Windows build and its tests, the X11 tests
  g++-mingw-w64-x86-64 wine64 xvfb xdotool x11-apps
  # kvtool export and animated GIFs; the clients that check the exports (f3d under xvfb-run, which needs xauth)
  libtinygltf-dev libgif-dev assimp-utils f3d xauth
  # the Debian package (dpkg-shlibdeps, file) and its test under the real
  # xscreensaver; screenshots read with ImageMagick
  dpkg-dev file xscreensaver imagemagick procps
  # the Windows installer
  nsis
)

missing=()
for package in "${packages[@]}"; do
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
