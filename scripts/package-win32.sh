#!/usr/bin/env bash
# Builds the Windows installer dist/kvss-setup.exe (NSIS, packaging/kvss.nsi) from
# kvss.scr, kvss-viewer.exe and kvtool.exe of a Windows build, which it brings up
# to date first, and puts those three beside it in dist/:
#   scripts/package-win32.sh [WINDOWS_BUILD_DIR]   (default build-win32)
# The installer stores each program's file time: those are SOURCE_DATE_EPOCH
# (by default the commit's time), so that the same commit gives the same bytes.
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir="${1:-build-win32}"

command -v makensis >/dev/null || scripts/setup.sh package
. scripts/lib.sh
source_date_epoch package-win32.sh
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
cp "$scr_dir/kvss.scr" "$scr_dir/kvss-viewer.exe" "$build_dir/tools/kvtool/kvtool.exe" dist/
for program in kvss.scr kvss-viewer.exe kvtool.exe; do
  chmod 0644 "dist/$program"
  touch --date="@$SOURCE_DATE_EPOCH" "dist/$program"
done
makensis -V2 -WX -DVERSION="$version" -DVERSION_QUAD="$quad" -DSCR="$PWD/dist/kvss.scr" \
  -DVIEWER="$PWD/dist/kvss-viewer.exe" -DKVTOOL="$PWD/dist/kvtool.exe" \
  -DICON="$scr_dir/kvss.ico" -DOUTFILE="$PWD/dist/kvss-setup.exe" packaging/kvss.nsi
echo "dist/kvss-setup.exe (kvss $version), with dist/kvss.scr, dist/kvss-viewer.exe and dist/kvtool.exe"
