#!/usr/bin/env bash
# Retrieval from a local Orthanc: `dravik-tool archive get` against curl fetching the same
# WADO-RS series URL with the same Accept header into a file (the HTTP transfer itself is the
# floor). Makes a series of N single-frame 512 x 512 16-bit CT instances (pydicom), starts a
# private Orthanc with the DICOMweb plugin on a free loopback port, uploads the series and
# prints the wall times of RUNS runs and their ratio.
# Usage: bench/archive-get.sh [BUILD_DIR] [N] [RUNS]   (needs orthanc, orthanc-dicomweb, curl)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build} n=${2:-300} runs=${3:-3}
tool=$build/dravik-tool
. bench/archive-server.sh
archive_bench_needs archive-get
work=$(mktemp -d)
orthanc_pid=
cleanup() {
    [ -n "$orthanc_pid" ] && kill "$orthanc_pid" 2>/dev/null && wait "$orthanc_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

archive_bench_serve
study=1.2.826.0.1.3680043.9.7433.34.1 series=1.2.826.0.1.3680043.9.7433.34.1.1
url="$base/dicom-web/studies/$study/series/$series"
accept='Accept: multipart/related; type="application/dicom"; transfer-syntax=*'

# The machine is shared: the two commands take turns at going first, so neither always meets
# a warm or a busy server.
now() { date +%s.%N; }
fetch_curl() { curl -sf -u bench:bench -H "$accept" -o "$work/curl.out" "$url"; }
fetch_tool() {
    got=$("$tool" archive get bench "$study" "$series" "$work/out")
    [ "$got" = "$n instances" ] || { echo "archive-get: got '$got'" >&2; exit 1; }
}
ratios=()
for r in $(seq "$runs"); do
    rm -rf "$work/out" "$work/curl.out"
    if [ $((r % 2)) -eq 1 ]; then
        t0=$(now); fetch_curl; t1=$(now); fetch_tool; t2=$(now)
        c=$(awk "BEGIN{print $t1 - $t0}") d=$(awk "BEGIN{print $t2 - $t1}")
    else
        t0=$(now); fetch_tool; t1=$(now); fetch_curl; t2=$(now)
        d=$(awk "BEGIN{print $t1 - $t0}") c=$(awk "BEGIN{print $t2 - $t1}")
    fi
    ratio=$(awk "BEGIN{printf \"%.2f\", $d / $c}")
    ratios+=("$ratio")
    printf 'run %d: curl %.3f s (%d bytes), dravik-tool %.3f s (%d files), ratio %s\n' "$r" "$c" \
        "$(stat -c %s "$work/curl.out")" "$d" "$(ls "$work/out" | wc -l)" "$ratio"
done
printf 'median ratio %s (target at most 1.2)\n' "$(printf '%s\n' "${ratios[@]}" | sort -n |
    sed -n "$(((${#ratios[@]} + 1) / 2))p")"
