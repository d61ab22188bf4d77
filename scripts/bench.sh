#!/usr/bin/env bash
# Builds and runs the benchmarks, then prints their figures as a table, each
# beside its limit. Extra arguments go to Google Benchmark, for example
#   scripts/bench.sh --benchmark_filter=SteadyFrame
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKVSS_BENCH=ON >/dev/null
cmake --build build -j "$(nproc)" --target kvss_bench
echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//')"
exec build/bench/kvss_bench --benchmark_min_time=0.3 "$@"
