#!/usr/bin/env bash
# Builds the Windows installer dist/kvss-setup.exe (NSIS, packaging/kvss.nsi) from
# kvss.scr, kvss-viewer.exe and kvtool.exe of a Windows build, which it brings up
# to date first:
#   scripts/package-win32.sh [WINDOWS_BUILD_DIR]   (default build-win32)
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir="${1:-build-win32}"

command -v makensis >/dev/null || scripts/setup.sh package
scripts/build-win32.sh "$build_dir"
build_dir=$(cd "$build_dir" && pwd)

# The version is the project's, as CMake read it from project(... VERSION ...).
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build_dir/CMakeCache.txt")
if [ -z "$version" ]; then
  echo "package-win32.sh: no project version in $build_dir/CMakeCache.txt" >&2
  exit 1
fi
IFS=. read -r major minor patch _ <<<"$version"
quad="$major.${minor:-0}.${patch:-0}.0"

mkdir -p dist
scr_dir="$build_dir/src/host/win32"
makensis -V2 -WX -DVERSION="$version" -DVERSION_QUAD="$quad" -DSCR="$scr_dir/kvss.scr" \
  -DVIEWER="$scr_dir/kvss-viewer.exe" -DKVTOOL="$build_dir/tools/kvtool/kvtool.exe" \
  -DICON="$scr_dir/kvss.ico" -DOUTFILE="$PWD/dist/kvss-setup.exe" packaging/kvss.nsi
echo "dist/kvss-setup.exe (kvss $version)"
