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
cat > "$work/in.dump" <<DUMP
(0002,0010) UI =LittleEndianExplicit
(0008,0016) UI =CTImageStorage
(0008,0018) UI [1.2.826.0.1.3680043.9.9999.1]
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
(7fe0,0010) OW =$work/px.raw
DUMP
dump2dcm -q "$work/in.dump" "$work/in.dcm"
dcmcjpeg -q +e1 "$work/in.dcm" "$work/ct.dcm"
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
