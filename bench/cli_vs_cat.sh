#!/usr/bin/env bash
# Times `quillon-cli generate` for a full station against `cat` over the template files that
# generation reads, as the median wall time of repeated runs of each.
#   bench/cli_vs_cat.sh [BUILD_DIR] [RUNS]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/ci}
runs=${2:-200}
cli="$build/cli/quillon-cli"
res="$build/cli/Resources"
[ -x "$cli" ] || { echo "build $cli first (cmake --workflow --preset ci)" >&2; exit 2; }
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
export SOURCE_DATE_EPOCH=1246395909

# The largest stations the sample catalogue allows: seven modules, and for CANopen the most PDOs.
devicenet=(KA228 KA234 KA224 KA424 KM622 KD236 KA222)
canopen=(KA228 KA228 KA424 KA424 KA424 KA424 KD436)

median_ms() { # command... ; prints the median wall time in milliseconds
    local times=()
    for ((i = 0; i < runs; i++)); do
        local t0=$(date +%s%N)
        "$@" >/dev/null
        local t1=$(date +%s%N)
        times+=($(((t1 - t0) / 1000)))
    done
    printf '%s\n' "${times[@]}" | sort -n | awk '{a[NR]=$1} END {printf "%.3f", a[int((NR+1)/2)]/1000}'
}

for protocol in devicenet canopen; do
    declare -n modules=$protocol
    files=("$res/OVN_HB612.eds")
    for m in "${modules[@]}"; do files+=("$res/OVN_$m.eds"); done
    [ $protocol = canopen ] && files+=("$res/OVN_KD236.eds" "$res/OVN_KA224.eds")
    "$cli" generate --protocol $protocol --module "${modules[@]}" --output "$out/x.eds"
    cli_ms=$(median_ms "$cli" generate --protocol $protocol --module "${modules[@]}" --output "$out/x.eds")
    cat_ms=$(median_ms cat "${files[@]}")
    ratio=$(awk -v a="$cli_ms" -v b="$cat_ms" 'BEGIN {printf "%.2f", a / b}')
    echo "$protocol: quillon-cli generate ${cli_ms} ms, cat ${cat_ms} ms, ratio ${ratio} (median of $runs runs)"
done
