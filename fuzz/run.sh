#!/usr/bin/env bash
# Builds the libFuzzer targets with clang++ in build-fuzz/ and runs each for the given number of
# seconds (default 30). Exits with a non-zero status when any target meets a crash, broken rule,
# leak, timeout or out-of-memory; the input that caused it is kept in build-fuzz/artifacts/<target>/.
#
#   fuzz/run.sh [seconds] [target...]      targets: settings project generate params check
#                                                   metafile
#
# Targets run side by side, as many at a time as QUILLON_FUZZ_JOBS says (default: the number of
# processors), each on one core.
#
# New inputs go to build-fuzz/corpus/<target>/; the seeds in tests/data/fuzz-corpus/ are only
# read. To keep a reproducer for the test run, copy it to tests/data/fuzz-regressions/<target>/.
set -euo pipefail

seconds="${1:-30}"
if [ "$#" -gt 0 ]; then shift; fi
targets=("$@")
if [ "${#targets[@]}" -eq 0 ]; then targets=(settings project generate params check metafile); fi

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="$root/build-fuzz"

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_COMPILER=clang++ -DQUILLON_BUILD_FUZZERS=ON -DQUILLON_BUILD_TESTS=OFF \
    -DQUILLON_BUILD_UI=OFF -DQUILLON_WERROR=OFF >/dev/null
cmake --build "$build" -j2 --target "${targets[@]/#/fuzz_}"

export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1}"
mkdir -p "$build/logs"
# Runs one target; its log says what it did, its exit status whether it found something.
run_target() {
    local target=$1
    local corpus="$build/corpus/$target"
    local artifacts="$build/artifacts/$target"
    local log="$build/logs/$target.log"
    mkdir -p "$corpus" "$artifacts"
    local options=(-max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1
                   -artifact_prefix="$artifacts/")
    if [ -f "$root/fuzz/$target.dict" ]; then options+=(-dict="$root/fuzz/$target.dict"); fi
    # Leaks inside system libraries the target cannot fix are listed in fuzz/<target>.lsan.
    local lsan="${LSAN_OPTIONS:-}"
    if [ -f "$root/fuzz/$target.lsan" ]; then lsan="suppressions=$root/fuzz/$target.lsan"; fi
    LSAN_OPTIONS="$lsan" "$build/fuzz/fuzz_$target" "${options[@]}" "$corpus" \
        "$root/tests/data/fuzz-corpus/$target" >"$log" 2>&1
}

jobs="${QUILLON_FUZZ_JOBS:-$(nproc)}"
declare -A pids=()
failed=()
for target in "${targets[@]}"; do
    while [ "$(jobs -rp | wc -l)" -ge "$jobs" ]; do wait -n || true; done
    echo "== fuzz_$target for ${seconds}s"
    run_target "$target" &
    pids[$target]=$!
done
for target in "${targets[@]}"; do
    if wait "${pids[$target]}"; then
        log="$build/logs/$target.log"
        # The last status line and the run's totals.
        printf 'fuzz_%s: %s\n' "$target" "$(grep -E '^#[0-9]+' "$log" | tail -n 1)"
        grep -E 'stat::number_of_executed_units|stat::peak_rss_mb' "$log" | tr -s ' ' | tr '\n' ' '
        echo
    else
        failed+=("$target")
    fi
done
for target in "${failed[@]}"; do
    tail -n 40 "$build/logs/$target.log"
    echo "fuzz_$target FAILED; the input is in $build/artifacts/$target/ and the log in" \
        "$build/logs/$target.log" >&2
done
[ ${#failed[@]} -eq 0 ] || exit 1
echo "all fuzz targets ran ${seconds}s without a finding"
