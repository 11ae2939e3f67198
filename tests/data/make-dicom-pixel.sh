#!/usr/bin/env bash
# Builds the pixel-data test vectors (tests/data/pixel/) with dcmtk, in every syntax the reader
# takes, and records dcmtk's own decoding of each as the oracle:
#   NAME.dcm   the vector
#   NAME.raw   the pixel data as dcmdjpeg/dcmdrle/dcmconv decode it, colour by pixel
#   NAME.info  key=value header facts of the decoded file, from dcmdump
# Needs dcmtk and python3; the outputs are committed so the tests need neither.
set -euo pipefail
cd "$(dirname "$0")"
for t in dump2dcm dcmconv dcmcjpeg dcmdjpeg dcmcrle dcmdrle dcmdump python3; do
    command -v "$t" >/dev/null || { echo "make-dicom-pixel.sh: $t is missing" >&2; exit 1; }
done
mkdir -p pixel
out=$PWD/pixel
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

python3 - "$work" <<'PY'
import math, random, struct, sys
w = sys.argv[1]
rnd = random.Random(7)
def put(name, data): open(f"{w}/{name}", "wb").write(bytes(data))
def words(fmt, vals): return b"".join(struct.pack(fmt, v) for v in vals)
# Signed 12-bit CT-like values, -1000 (air) .. 2047 (bone), 40 x 30.
ct = []
for y in range(30):
    for x in range(40):
        r = math.hypot(x - 20, y - 15)
        v = -1000 if r > 13 else 40 + int(30 * math.sin(x / 3)) if r > 4 else 2047 - (x + y)
        ct.append(v)
ct[0], ct[1] = -2048, 2047
put("ct.raw", words("<h", ct))
# Three 64 x 48 frames of 16-bit noise, each frame's range larger than the one before.
mf = [min(65535, int((f * 3 + 1) * 1000 * (0.5 + 0.5 * math.sin(x / 7 + y / 5))) + rnd.randrange(64))
      for f in range(3) for y in range(48) for x in range(64)]
put("mf.raw", words("<H", mf))
put("single.raw", words("<H", mf[:64 * 48]))
# Palette indices: 8-bit from 0 to 90 against a 64-entry table from 10; 16-bit from 50 to 1200
# against a 1024-entry table from 100.
put("pal8.raw", [(x + y * 3) % 91 for y in range(12) for x in range(16)])
put("pal8-r.raw", words("<H", [i * 4 for i in range(64)]))
put("pal8-g.raw", words("<H", [255 - i * 4 for i in range(64)]))
put("pal8-b.raw", words("<H", [(i * 37) % 256 for i in range(64)]))
put("pal16.raw", words("<H", [50 + (x * 17 + y * 61) % 1151 for y in range(12) for x in range(16)]))
put("pal16-r.raw", words("<H", [i * 64 for i in range(1024)]))
put("pal16-g.raw", words("<H", [65535 - i * 64 for i in range(1024)]))
put("pal16-b.raw", words("<H", [(i * 997) % 65536 for i in range(1024)]))
# Colour: 20 x 10, planar 8-bit, interleaved 12-of-16-bit, and YBR_FULL_422 pairs.
rgb = [((x * 12) % 256, (y * 25) % 256, (x * y * 3) % 256) for y in range(10) for x in range(20)]
put("rgb-planar.raw", [p[c] for c in range(3) for p in rgb])
put("rgb-inter.raw", [v for p in rgb for v in p])
put("rgb16.raw", words("<H", [(v * 16 + 5) & 0xFFF for p in rgb for v in p]))
ybr = []
for y in range(10):
    for x in range(0, 20, 2):
        ybr += [(x * 12) % 256, (x * 12 + 6) % 256, 64 + y * 12, 200 - y * 9]
put("ybr422.raw", ybr)
PY

# Keeps the smallest vectors above the 1024 bytes a DICOM file has at least.
pad=$(printf 'padding %.0s' $(seq 90))
meta() {
    cat <<TXT
(0002,0002) UI [$1]
(0002,0003) UI [1.2.826.0.1.3680043.9.7433.2.$2]
(0008,0016) UI [$1]
(0008,0018) UI [1.2.826.0.1.3680043.9.7433.2.$2]
(0008,0060) CS [OT]
(0010,0010) PN [Pixel^Test$2]
(0009,0010) LO [DRAVIK TEST]
(0009,1010) UT [$pad]
TXT
}
# image NAME N PHOTOMETRIC SAMPLES ROWS COLS ALLOC STORED HIGH REP RAW [extra lines...]
image() {
    local name=$1 n=$2 pi=$3 spp=$4 rows=$5 cols=$6 ba=$7 bs=$8 hb=$9 rep=${10} raw=${11}
    shift 11
    local vr=OW
    [ "$ba" = 8 ] && vr=OB
    {
        meta 1.2.840.10008.5.1.4.1.1.7 "$n"
        echo "(0028,0002) US $spp"
        echo "(0028,0004) CS [$pi]"
        for line in "$@"; do echo "$line"; done
        echo "(0028,0010) US $rows"
        echo "(0028,0011) US $cols"
        echo "(0028,0100) US $ba"
        echo "(0028,0101) US $bs"
        echo "(0028,0102) US $hb"
        echo "(0028,0103) US $rep"
        echo "(7fe0,0010) $vr =$work/$raw"
    } >"$work/$name.txt"
    dump2dcm -q +te "$work/$name.txt" "$out/$name.dcm"
}

image ct-signed 1 MONOCHROME2 1 30 40 16 12 11 1 ct.raw \
    "(0028,1052) DS [-1024]" "(0028,1053) DS [1]"
image mf-range 2 MONOCHROME2 1 48 64 16 16 15 0 mf.raw "(0028,0008) IS [3]"
image single 9 MONOCHROME2 1 48 64 16 16 15 0 single.raw
image pal8 3 "PALETTE COLOR" 1 12 16 8 8 7 0 pal8.raw \
    "(0028,1101) US 64\\10\\8" "(0028,1102) US 64\\10\\8" "(0028,1103) US 64\\10\\8" \
    "(0028,1201) OW =$work/pal8-r.raw" "(0028,1202) OW =$work/pal8-g.raw" \
    "(0028,1203) OW =$work/pal8-b.raw"
image pal16 4 "PALETTE COLOR" 1 12 16 16 16 15 0 pal16.raw \
    "(0028,1101) US 1024\\100\\16" "(0028,1102) US 1024\\100\\16" "(0028,1103) US 1024\\100\\16" \
    "(0028,1201) OW =$work/pal16-r.raw" "(0028,1202) OW =$work/pal16-g.raw" \
    "(0028,1203) OW =$work/pal16-b.raw"
image rgb-planar 5 RGB 3 10 20 8 8 7 0 rgb-planar.raw "(0028,0006) US 1"
image rgb16 6 RGB 3 10 20 16 12 11 0 rgb16.raw "(0028,0006) US 0"
image ybr422 7 YBR_FULL_422 3 10 20 8 8 7 0 ybr422.raw "(0028,0006) US 0"
image rgb 8 RGB 3 10 20 8 8 7 0 rgb-inter.raw "(0028,0006) US 0"
dcmconv -q +te implicit-mono2.dcm "$work/grey8.dcm"

cd "$out"
dcmcjpeg -q +e1 ct-signed.dcm ct-signed-ll.dcm
dcmcjpeg -q +e1 +fs 1 mf-range.dcm mf-range-ll.dcm           # offset table, split frames
dcmcjpeg -q +e1 -ot +fs 1 mf-range.dcm mf-range-ll-nobot.dcm # empty offset table
dcmcjpeg -q +e1 -ot +fs 1 single.dcm single-ll-split.dcm # one frame, several fragments
rm single.dcm
dcmcjpeg -q +el +sv 4 +pt 2 mf-range.dcm mf-range-sv4pt2.dcm
dcmcjpeg -q +e1 rgb.dcm rgb-ll.dcm
dcmcjpeg -q +eb rgb.dcm rgb-jpeg.dcm
dcmcjpeg -q +eb "$work/grey8.dcm" grey-jpeg.dcm
dcmcjpeg -q +ee "$work/grey8.dcm" grey-jpeg-ext.dcm
dcmcjpeg -q +e1 pal8.dcm pal8-ll.dcm
dcmcrle -q "$work/grey8.dcm" grey-rle.dcm
dcmcrle -q ct-signed.dcm ct-signed-rle.dcm
dcmcrle -q mf-range.dcm mf-range-rle.dcm
dcmcrle -q rgb.dcm rgb-rle.dcm
dcmcrle -q rgb16.dcm rgb16-rle.dcm
# A lossless series cut inside its last frame.
head -c $(($(stat -c %s mf-range-ll.dcm) - 3000)) mf-range-ll.dcm >mf-range-ll-cut.dcm
# A native file cut inside its second frame.
head -c $(($(stat -c %s mf-range.dcm) - 7000)) mf-range.dcm >mf-range-cut.dcm

# The oracle: dcmtk's decoding of each whole vector.
for f in *.dcm; do
    name=${f%.dcm}
    case $name in *-cut) continue ;; esac
    ts=$(dcmdump -q -Un -s +P 0002,0010 "$f" | sed 's/.*\[\(.*\)\].*/\1/')
    case $ts in
    1.2.840.10008.1.2.5) dcmdrle -q "$f" "$work/dec.dcm" ;;
    1.2.840.10008.1.2.4.*) dcmdjpeg -q +px "$f" "$work/dec.dcm" ;;
    *) dcmconv -q +te "$f" "$work/dec.dcm" ;;
    esac
    rm -rf "$work/px" && mkdir "$work/px"
    dcmdump -q +W "$work/px" "$work/dec.dcm" >"$work/dec.dump"
    python3 - "$work/dec.dump" "$work/px/dec.dcm.0.raw" "$name" <<'PY'
import re, sys
dump, raw, name = sys.argv[1:4]
keys = {"0028,0002": "samples", "0028,0004": "photometric", "0028,0006": "planar",
        "0028,0008": "frames", "0028,0010": "rows", "0028,0011": "columns",
        "0028,0100": "bits_allocated", "0028,0101": "bits_stored", "0028,0102": "high_bit",
        "0028,0103": "pixel_representation", "0028,1052": "intercept", "0028,1053": "slope"}
info = {}
for line in open(dump):
    m = re.match(r"\((\w{4},\w{4})\) \w\w (\[([^\]]*)\]|(\S+))", line)
    if m and m.group(1).lower() in keys:
        info[keys[m.group(1).lower()]] = m.group(3) if m.group(3) is not None else m.group(4)
data = open(raw, "rb").read()
spp, planar = int(info.get("samples", 1)), int(info.get("planar", 0))
if spp == 3 and planar == 1:
    # Colour by pixel, whatever the decoder wrote.
    step = int(info["bits_allocated"]) // 8
    frame = int(info["rows"]) * int(info["columns"])
    out = bytearray()
    for f in range(int(info.get("frames", 1))):
        base = f * frame * 3 * step
        for i in range(frame):
            for c in range(3):
                o = base + (c * frame + i) * step
                out += data[o:o + step]
    data = bytes(out)
    info["planar"] = "0"
open(f"{name}.raw", "wb").write(data)
with open(f"{name}.info", "w") as f:
    for k in sorted(info):
        f.write(f"{k}={info[k]}\n")
PY
done
ls -l
