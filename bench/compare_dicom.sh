#!/usr/bin/env bash
# The DICOM pixel stage against dcmtk on a 64-frame 512 x 512 16-bit CT-like series compressed
# with `dcmcjpeg +e1`: `dravik-tool convert --raw --all-frames` (read, decode every frame, write
# the stored samples as 16-bit PGM) against `dcmdjpeg` (read, decode, write the native file).
# Both whole processes, best of $RUNS wall times, peak RSS of the best run, measured in one run.
# Then the time per frame of opening the series to 8 bits (header, decode, windowing) from
# bench/dicom_pixel_bench. Usage: bench/compare_dicom.sh [BUILD_DIR]   (run by bench/compare.sh)
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

python3 - "$work/px.raw" $frames $w $h <<'PY'
import math, random, struct, sys
path, frames, w, h = sys.argv[1], *map(int, sys.argv[2:5])
rnd = random.Random(1)
with open(path, "wb") as f:
    for z in range(frames):
        row = []
        for y in range(h):
            for x in range(w):
                r = math.hypot(x - w / 2, (y - h / 2) * 1.2) / (w / 2)
                v = 24 if r > 0.9 else 1024 + 180 * math.sin(x / 23 + z / 9) * math.cos(y / 31)
                if r < 0.3 and math.hypot(x - w * 0.45, y - h * 0.5 - z) < w * 0.08:
                    v += 700
                row.append(max(0, min(65535, int(v + rnd.gauss(0, 12)))))
        f.write(struct.pack("<%dH" % len(row), *row))
PY
cat >"$work/in.dump" <<DUMP
(0002,0010) UI =LittleEndianExplicit
(0008,0016) UI =CTImageStorage
(0008,0018) UI [1.2.826.0.1.3680043.9.9999.2]
(0008,0060) CS [CT]
(0028,0002) US 1
(0028,0004) CS [MONOCHROME2]
(0028,0008) IS [$frames]
(0028,0010) US $h
(0028,0011) US $w
(0028,0100) US 16
(0028,0101) US 16
(0028,0102) US 15
(0028,0103) US 0
(0028,1052) DS [-1024]
(0028,1053) DS [1]
(7fe0,0010) OW =$work/px.raw
DUMP
dump2dcm -q "$work/in.dump" "$work/in.dcm"
dcmcjpeg -q +e1 "$work/in.dcm" "$work/ct.dcm"
rm -f "$work/px.raw" "$work/in.dcm"

# "WALL_MS RSS_KB" of the fastest of $runs runs.
best() {
    local bt="" br="" t r
    for _ in $(seq "$runs"); do
        /usr/bin/time -f "%e %M" -o "$work/time" "$@" >/dev/null 2>&1
        read -r t r <"$work/time"
        t=$(awk -v t="$t" 'BEGIN { printf "%d", t * 1000 }')
        if [ -z "$bt" ] || [ "$t" -lt "$bt" ]; then bt=$t br=$r; fi
    done
    echo "$bt $br"
}
read -r pt pr <<<"$(best dcmdjpeg "$work/ct.dcm" "$work/out.dcm")"
read -r ot or <<<"$(best "$tool" convert "$work/ct.dcm" "$work/out.pgm" --raw --all-frames)"
size=$(stat -c %s "$work/ct.dcm")
echo "dicom series: $frames frames ${w}x$h 16-bit, dcmcjpeg +e1, $((size / 1024)) KB"
echo "dcmdjpeg:                                  ${pt} ms, peak RSS ${pr} KB"
echo "dravik-tool convert --raw --all-frames:    ${ot} ms, peak RSS ${or} KB"
awk -v pt="$pt" -v ot="$ot" -v pr="$pr" -v or="$or" 'BEGIN {
    printf "speed dcmdjpeg/dravik-tool: %.2fx (target >= 1.5); memory dravik-tool/dcmdjpeg: %.2f (target <= 1.2)\n",
        pt / ot, or / pr }'
if [ -x "$bench" ]; then
    DRAVIK_DICOM_SERIES="$work/ct.dcm" "$bench" --benchmark_filter=OpenSeriesFile \
        --benchmark_repetitions=3 --benchmark_report_aggregates_only=true 2>/dev/null |
        awk '/_median/ { printf "open to 8 bits (header, decode, windowing): %.2f ms per frame (median of 3)\n", $2 / 64 }'
fi
