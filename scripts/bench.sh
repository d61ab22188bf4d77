#!/usr/bin/env bash
# Builds and runs the benchmarks, then prints their figures as a table, each
# beside its limit: every figure is the median of its repetitions, given as
# the range over two passes. Extra arguments go to kvss_bench and Google
# Benchmark, for example
#   scripts/bench.sh --benchmark_filter=SteadyFrame
#   scripts/bench.sh --kvss_passes=3 --benchmark_repetitions=9
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh test
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKVSS_BENCH=ON >/dev/null
cmake --build build -j "$(nproc)" --target kvss_bench
echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//'), $(free -g | awk '/^Mem:/ {print $2}') GiB;" \
     "$(. /etc/os-release && echo "$PRETTY_NAME"); load average $(cut -d' ' -f1-3 /proc/loadavg)"
build/bench/kvss_bench --kvss_passes=2 --benchmark_repetitions=5 --benchmark_display_aggregates_only=true \
    --benchmark_min_time=0.3 "$@"
# Memory again on softpipe, which keeps no compiled shaders and runs no threads
# of its own, so that any growth from the tenth change on is the saver's.
if [ $# -eq 0 ]; then
    echo
    echo "memory on Mesa's softpipe:"
    GALLIUM_DRIVER=softpipe build/bench/kvss_bench --kvss_no_counts --benchmark_filter=^BM_ResidentMemory | grep '^| BM'
    # The carriers in turn, with the next one read ahead and without, each
    # in a process of its own.
    echo
    echo "memory with the carriers in turn, on the default driver:"
    for way in read_ahead in_turn; do
        build/bench/kvss_bench --kvss_no_counts --benchmark_filter="CarrierResidentMemory/$way" | grep '^| BM'
    done
fi
