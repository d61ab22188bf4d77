#!/usr/bin/env bash
# Installs what the tests need, builds everything (the test suite, the
# benchmarks and kvss.scr too) and runs the whole test suite.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh test
scripts/build.sh build -DKVSS_TESTS=ON -DKVSS_BENCH=ON
cd build
ctest --output-on-failure -j "$(nproc)" -LE soak
