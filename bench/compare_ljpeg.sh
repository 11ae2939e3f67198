#!/usr/bin/env bash
# Lossless JPEG decoding against dcmtk: a 64-frame 512 x 512 16-bit CT-like series compressed
# with `dcmcjpeg +e1`, decoded by `dcmdjpeg` (whole process, best of 5 wall times) and by
# our decoder (bench/ljpeg_bench's series benchmark over the same codestreams, best of 5).
# Prints both and the ratio (ours / dcmdjpeg; below 0.67 means at least 1.5x faster).
# Usage: bench/compare_ljpeg.sh [BUILD_DIR]   (default: build; run by bench/compare.sh)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
bench=$build/bench/ljpeg_bench
for tool in dcmcjpeg dcmdjpeg dump2dcm dcmdump python3; do
    command -v $tool >/dev/null || { echo "compare.sh: $tool not installed, skipped"; exit 0; }
done
[ -x "$bench" ] || { echo "compare.sh: $bench not built"; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
frames=64 w=512 h=512

bench/make-ct-series.sh "$work/ct.dcm" $frames $w $h
mkdir "$work/frames"
dcmdump -q +W "$work/frames" "$work/ct.dcm" >/dev/null
rm -f "$work/frames/ct.dcm.0.raw" # the offset table
for f in "$work"/frames/*.raw; do mv "$f" "${f%.raw}.ljp"; done

best=""
peer_rss=""
for i in 1 2 3 4 5; do
    /usr/bin/time -f "%e %M" -o "$work/time" dcmdjpeg "$work/ct.dcm" "$work/out.dcm"
    read -r t rss < "$work/time"
    if [ -z "$best" ] || python3 -c "import sys; sys.exit(not $t < $best)"; then best=$t; fi
    peer_rss=$rss
done

LJPEG_BENCH_FRAMES="$work/frames" /usr/bin/time -f "%M" -o "$work/rss" \
    "$bench" --benchmark_filter=Series --benchmark_repetitions=5 --benchmark_format=json \
    > "$work/ours.json"
python3 - "$work/ours.json" "$best" "$peer_rss" "$(cat "$work/rss")" "$frames" <<'PY'
import json, sys
res = json.load(open(sys.argv[1]))["benchmarks"]
ours = min(b["real_time"] for b in res if b.get("run_type") == "iteration") / 1000
peer, peer_rss, our_rss, frames = float(sys.argv[2]), int(sys.argv[3]), int(sys.argv[4]), int(sys.argv[5])
print(f"series: {frames} frames 512x512 16-bit, dcmcjpeg +e1")
print(f"dcmdjpeg (process wall time, best of 5): {peer * 1000:.1f} ms, peak RSS {peer_rss} KB")
print(f"dravik decoder (decode only, best of 5): {ours * 1000:.1f} ms, peak RSS {our_rss} KB")
print(f"ratio dravik/dcmdjpeg: {ours / peer:.2f}  (speed-up {peer / ours:.1f}x; target <= 0.67)")
PY
