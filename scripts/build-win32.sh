#!/usr/bin/env bash
# Cross-compiles kvss.scr and the helpers of its Wine tests into build-win32/
# (or the folder given as $1) with mingw-w64.
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir="${1:-build-win32}"
shift || true
cmake -S . -B "$build_dir" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
cmake --build "$build_dir" -j "$(nproc)"
