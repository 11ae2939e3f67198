#!/usr/bin/env bash
# The DICOM pixel stage against dcmtk on a 64-frame 512 x 512 16-bit CT-like series compressed
# with `dcmcjpeg +e1`: `dravik-tool convert --raw --all-frames` (read, decode every frame, write
# the stored samples as 16-bit PGM) against `dcmdjpeg` (read, decode, write the native file).
# Both whole processes, best of $RUNS wall times taken in turns, peak RSS of the best run.
# Then the time per frame of opening the series to 8 bits (header, decode, windowing) from
# bench/dicom_pixel_bench. Usage: bench/compare_dicom.sh [BUILD_DIR]   (run by bench/compare.sh)
# DICOM_SERIES=FILE takes a series made before by bench/make-ct-series.sh instead of a new one.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
tool=$build/dravik-tool
bench=$build/bench/dicom_pixel_bench
runs=${RUNS:-5}
for t in dcmcjpeg dcmdjpeg dump2dcm python3; do
    command -v $t >/dev/null || { echo "dicom: $t not installed, skipped"; exit 0; }
done
[ -x /usr/bin/time ] || { echo "dicom: /usr/bin/time not installed (Debian package time), skipped"; exit 0; }
[ -x "$tool" ] || { echo "dicom: $tool not built"; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
frames=64 w=512 h=512

if [ -n "${DICOM_SERIES:-}" ]; then
    cp "$DICOM_SERIES" "$work/ct.dcm"
else
    bench/make-ct-series.sh "$work/ct.dcm" $frames $w $h
fi

# One run: "WALL_MS RSS_KB".
once() {
    /usr/bin/time -f "%e %M" -o "$work/time" "$@" >/dev/null 2>&1
    local t r
    read -r t r <"$work/time"
    echo "$(awk -v t="$t" 'BEGIN { printf "%d", t * 1000 }') $r"
}
# The two tools take turns, so a change in the machine's load hits both alike; each keeps its
# fastest run and that run's peak RSS.
pt="" ot=""
for _ in $(seq "$runs"); do
    read -r t r <<<"$(once dcmdjpeg "$work/ct.dcm" "$work/out.dcm")"
    if [ -z "$pt" ] || [ "$t" -lt "$pt" ]; then pt=$t pr=$r; fi
    read -r t r <<<"$(once "$tool" convert "$work/ct.dcm" "$work/out.pgm" --raw --all-frames)"
    if [ -z "$ot" ] || [ "$t" -lt "$ot" ]; then ot=$t or=$r; fi
done
size=$(stat -c %s "$work/ct.dcm")
echo "dicom series: $frames frames ${w}x$h 16-bit, dcmcjpeg +e1, $((size / 1024)) KB, $(nproc) cores"
echo "dcmdjpeg:                                  ${pt} ms, peak RSS ${pr} KB"
echo "dravik-tool convert --raw --all-frames:    ${ot} ms, peak RSS ${or} KB"
awk -v pt="$pt" -v ot="$ot" -v pr="$pr" -v or="$or" 'BEGIN {
    printf "speed dcmdjpeg/dravik-tool: %.2fx (target >= 3); peak memory dravik-tool/dcmdjpeg: %.2f (target <= 1.0)\n",
        pt / ot, or / pr }'
if [ -x "$bench" ]; then
    DRAVIK_DICOM_SERIES="$work/ct.dcm" "$bench" --benchmark_filter=OpenSeriesFile \
        --benchmark_repetitions=3 --benchmark_report_aggregates_only=true 2>/dev/null |
        awk '/_median/ { printf "open to 8 bits (header, decode, windowing): %.2f ms per frame (median of 3)\n", $2 / 64 }'
fi
