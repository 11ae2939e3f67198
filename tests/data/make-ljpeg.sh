#!/usr/bin/env bash
# Lossless JPEG test vectors made with dcmtk: a generated image goes through dcmcjpeg (the
# encoder under test's peer) and dcmdjpeg (the reference decoder). For each vector NAME:
#   ljpeg/NAME.ljp   the JPEG codestream, cut out of the encapsulated pixel data
#   ljpeg/NAME.raw   the samples dcmdjpeg decodes from it (little endian when 16 bits allocated)
# and a line "NAME width height components bits_stored bits_allocated signed" in
# ljpeg/vectors.txt. Needs dcmtk and python3; the outputs are committed.
set -euo pipefail
cd "$(dirname "$0")"
out=ljpeg
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$out"
: > "$out/vectors.txt"

# make NAME W H SPP BITS SIGNED PATTERN DCMCJPEG-OPTIONS...
make() {
    local name=$1 w=$2 h=$3 spp=$4 bits=$5 signed=$6 pattern=$7
    shift 7
    local alloc=8 vr=OB photo=MONOCHROME2
    [ "$bits" -gt 8 ] && alloc=16 && vr=OW
    [ "$spp" -eq 3 ] && photo=RGB
    python3 - "$work/px.raw" "$w" "$h" "$spp" "$bits" "$signed" "$pattern" <<'PY'
import random, struct, sys, math
path, w, h, spp, bits, signed, pattern = sys.argv[1], *map(int, sys.argv[2:7]), sys.argv[7]
rnd = random.Random(w * 1000003 + h * 17 + bits * 5 + spp + signed)
top = (1 << bits) - 1
vals = []
for y in range(h):
    for x in range(w):
        for c in range(spp):
            if pattern == "ct":      # smooth body with noise, like a CT slice
                r = math.hypot(x - w / 2, y - h / 2) / max(w, h)
                v = top * (0.55 - 0.5 * r) + 0.3 * top * math.sin(x / 5.0 + c) * math.cos(y / 7.0)
                v += rnd.gauss(0, top / 60)
            elif pattern == "edges": # full-range jumps: long codes, category 16, overflowing predictors
                v = top if ((x // 3 + y // 2 + c) % 2) else 0
                if rnd.random() < 0.2: v = rnd.randint(0, top)
            else:                    # "noise"
                v = rnd.randint(0, top)
            v = max(0, min(top, int(v)))
            if signed: v -= 1 << (bits - 1)   # same spread, centred on 0
            vals.append(v)
alloc = 16 if bits > 8 else 8
if alloc == 16:
    data = b"".join(struct.pack("<H", v & 0xFFFF) for v in vals)
else:
    data = bytes(v & 0xFF for v in vals)
if len(data) % 2: data += b"\0"
open(path, "wb").write(data)
PY
    cat > "$work/in.dump" <<DUMP
(0002,0010) UI =LittleEndianExplicit
(0008,0016) UI =SecondaryCaptureImageStorage
(0008,0018) UI [1.2.826.0.1.3680043.9.9999.$RANDOM]
(0008,0060) CS [OT]
(0028,0002) US $spp
(0028,0004) CS [$photo]
DUMP
    [ "$spp" -eq 3 ] && echo "(0028,0006) US 0" >> "$work/in.dump"
    cat >> "$work/in.dump" <<DUMP
(0028,0010) US $h
(0028,0011) US $w
(0028,0100) US $alloc
(0028,0101) US $bits
(0028,0102) US $((bits - 1))
(0028,0103) US $signed
(7fe0,0010) $vr =$work/px.raw
DUMP
    dump2dcm -q "$work/in.dump" "$work/in.dcm"
    dcmcjpeg -q "$@" "$work/in.dcm" "$work/c.dcm"
    dcmdjpeg -q "$work/c.dcm" "$work/d.dcm"
    rm -rf "$work/px" && mkdir "$work/px"
    dcmdump -q +W "$work/px" "$work/c.dcm" >/dev/null
    dcmdump -q +W "$work/px" "$work/d.dcm" >/dev/null
    cp "$work/px/c.dcm.1.raw" "$out/$name.ljp"
    # dcmdjpeg pads odd pixel data to even length; keep the samples only.
    head -c $((w * h * spp * alloc / 8)) "$work/px/d.dcm.0.raw" > "$out/$name.raw"
    echo "$name $w $h $spp $bits $alloc $signed" >> "$out/vectors.txt"
}

# First-order prediction (+e1) at each precision, unsigned and signed.
make e1-u8 40 30 1 8 0 ct +e1
make e1-s8 40 30 1 8 1 ct +e1
make e1-u12 40 30 1 12 0 ct +e1
make e1-s12 40 30 1 12 1 ct +e1
make e1-u16 40 30 1 16 0 ct +e1
make e1-s16 40 30 1 16 1 ct +e1
# dcmcjpeg's true-lossless codec writes 12 stored bits at precision 16; its older codec keeps
# precision 12 (with +bt), which is what many archives hold.
make p12-e1-u12 40 30 1 12 0 ct +pl +e1 +bt
make p12-e1-s12 40 30 1 12 1 ct +pl +e1 +bt
make p12-sv6-u12 40 30 1 12 0 edges +pl +el +sv 6 +bt
# Every predictor, on smooth data and on full-range jumps at 16 bits.
for sv in 1 2 3 4 5 6 7; do
    make sv$sv-u12 33 21 1 12 0 ct +el +sv $sv
    make sv$sv-u16-edges 24 16 1 16 0 edges +el +sv $sv
    make sv$sv-u8-noise 17 9 1 8 0 noise +el +sv $sv
done
# Point transforms.
make pt1-u8 32 24 1 8 0 ct +el +sv 1 +pt 1
make pt3-u12 32 24 1 12 0 ct +el +sv 4 +pt 3
make pt5-s16 32 24 1 16 1 ct +el +sv 7 +pt 5
# Three components.
make rgb-e1 31 19 3 8 0 ct +e1
make rgb-sv5 31 19 3 8 0 noise +el +sv 5
# Odd sizes.
make size-1x1 1 1 1 12 0 noise +e1
make size-1x37 1 37 1 16 0 noise +e1
make size-37x1 37 1 1 16 0 noise +el +sv 7
make size-513x257 513 257 1 8 0 ct +el +sv 6
