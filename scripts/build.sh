#!/usr/bin/env bash
# Configures and builds kvss into build/ (or the folder given as $1), then the
# Windows screen saver kvss.scr into build-win32/ (skipped with KVSS_WIN32=0).
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir="${1:-build}"
shift || true
cmake -S . -B "$build_dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
cmake --build "$build_dir" -j "$(nproc)"
if [ "${KVSS_WIN32:-1}" != 0 ]; then
  scripts/build-win32.sh build-win32
fi
