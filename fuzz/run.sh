#!/usr/bin/env bash
# Builds the libFuzzer targets with clang++ in build-fuzz/ and runs each for the given number of
# seconds (default 30). Stops with a non-zero status at the first crash, broken rule, leak,
# timeout or out-of-memory; the input that caused it is kept in build-fuzz/artifacts/<target>/.
#
#   fuzz/run.sh [seconds] [target...]      targets: settings project generate params check
#
# New inputs go to build-fuzz/corpus/<target>/; the seeds in tests/data/fuzz-corpus/ are only
# read. To keep a reproducer for the test run, copy it to tests/data/fuzz-regressions/<target>/.
set -euo pipefail

seconds="${1:-30}"
if [ "$#" -gt 0 ]; then shift; fi
targets=("$@")
if [ "${#targets[@]}" -eq 0 ]; then targets=(settings project generate params check); fi

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="$root/build-fuzz"

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_COMPILER=clang++ -DQUILLON_BUILD_FUZZERS=ON -DQUILLON_BUILD_TESTS=OFF \
    -DQUILLON_BUILD_UI=OFF -DQUILLON_WERROR=OFF >/dev/null
cmake --build "$build" -j2 --target "${targets[@]/#/fuzz_}"

export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1}"
mkdir -p "$build/logs"
for target in "${targets[@]}"; do
    corpus="$build/corpus/$target"
    artifacts="$build/artifacts/$target"
    log="$build/logs/$target.log"
    mkdir -p "$corpus" "$artifacts"
    options=(-max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1
             -artifact_prefix="$artifacts/")
    if [ -f "$root/fuzz/$target.dict" ]; then options+=(-dict="$root/fuzz/$target.dict"); fi
    echo "== fuzz_$target for ${seconds}s"
    if ! "$build/fuzz/fuzz_$target" "${options[@]}" "$corpus" \
        "$root/tests/data/fuzz-corpus/$target" >"$log" 2>&1; then
        tail -n 40 "$log"
        echo "fuzz_$target FAILED; the input is in $artifacts/ and the log in $log" >&2
        exit 1
    fi
    # The last status line and the run's totals.
    grep -E '^#[0-9]+' "$log" | tail -n 1
    grep -E 'stat::number_of_executed_units|stat::peak_rss_mb' "$log" | tr '\n' ' '
    echo
done
echo "all fuzz targets ran ${seconds}s without a finding"
