#!/usr/bin/env bash
# Writes a CT-like series compressed with `dcmcjpeg +e1` (lossless, first-order prediction):
# FRAMES frames of W x H 16-bit samples, smooth anatomy with noise and a moving bright blob,
# rescale intercept -1024. Needs dump2dcm, dcmcjpeg and python3.
# Usage: bench/make-ct-series.sh OUT.dcm [FRAMES W H]
set -euo pipefail
out=$1 frames=${2:-64} w=${3:-512} h=${4:-512}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

python3 - "$work/px.raw" "$frames" "$w" "$h" <<'PY'
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
dcmcjpeg -q +e1 "$work/in.dcm" "$out"
