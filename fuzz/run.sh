#!/usr/bin/env bash
# Builds the fuzz targets (clang, libFuzzer, ASan + UBSan) and runs each for
# SECONDS (default 30), starting from the forge's seeds and keeping what each
# run finds in <build>/fuzz/corpus/<target>. Exits non-zero on a finding.
# Usage: fuzz/run.sh [SECONDS] [TARGET...]    (BUILD=build-fuzz by default)
set -uo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-30}"
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(fuzz_hog fuzz_table fuzz_oof fuzz_bitmap fuzz_export fuzz_vdf fuzz_wine_registry)
build="${BUILD:-build-fuzz}"
jobs="${JOBS:-2}"

CC=clang CXX=clang++ cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKVSS_FUZZ=ON -DKVSS_TESTS=OFF >/dev/null || exit 1
cmake --build "$build" --target "${targets[@]}" -j "$jobs" >/dev/null || exit 1

export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-halt_on_error=1:print_stacktrace=1}"
status=0
for target in "${targets[@]}"; do
    reader="${target#fuzz_}"
    corpus="$build/fuzz/corpus/$reader"
    findings="$build/fuzz/findings/$reader"
    mkdir -p "$corpus" "$findings"
    log="$build/fuzz/$target.log"
    echo "== $target for ${seconds}s"
    # The exporters promise to stay within their budgets: half a gigabyte is
    # plenty, once ASan keeps no more than 64 MB of freed memory for its checks
    # (256 MB by default, which is not the exporters' memory).
    rss=2048
    malloc=1024
    asan="$ASAN_OPTIONS"
    [ "$target" = fuzz_export ] && rss=512 malloc=512 asan="$ASAN_OPTIONS:quarantine_size_mb=64"
    scratch="$(mktemp -d)"
    ASAN_OPTIONS="$asan" TMPDIR="$scratch" "$build/fuzz/$target" -max_total_time="$seconds" -dict=fuzz/kvss.dict -rss_limit_mb=$rss \
        -malloc_limit_mb=$malloc -timeout=10 -print_final_stats=1 -artifact_prefix="$findings/" \
        "$corpus" "$build/fuzz/seeds/$reader" >"$log" 2>&1
    result=$?
    rm -rf "$scratch"
    grep -E "^stat::number_of_executed_units|^stat::average_exec_per_sec|^#[0-9]+ *DONE" "$log" | sed 's/^/   /'
    if [ $result -ne 0 ]; then
        status=1
        echo "!! $target found a fault (log: $log):"
        grep -E "ERROR:|runtime error:|Test unit written to" "$log" | head -5 | sed 's/^/   /'
        for artifact in "$findings"/*; do
            [ -f "$artifact" ] && echo "   reproduce: $build/fuzz/$target $artifact"
        done
    fi
done
exit $status
