#!/usr/bin/env bash
# Builds the DICOM test vectors with dcmtk and records dcmdump's view of each (NAME.dump) as the
# independent oracle the tests compare against. Needs dcmtk and python3; the outputs are
# committed so the tests need neither.
set -euo pipefail
cd "$(dirname "$0")"
for t in dump2dcm dcmconv dcmcjpeg dcmdump python3; do
    command -v "$t" >/dev/null || { echo "make-dicom.sh: $t is missing" >&2; exit 1; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Raw sample files: a grey ramp, 12-bit samples, three frames, palette indices and tables.
python3 - "$work" <<'PY'
import struct, sys
w = sys.argv[1]
def put(name, data): open(f"{w}/{name}", "wb").write(bytes(data))
put("grey8.raw", [(x * 8 + y) & 0xFF for y in range(32) for x in range(32)])
put("grey12.raw", b"".join(struct.pack("<H", (y * 16 + x) * 16) for y in range(16) for x in range(16)))
put("frames3.raw", [(f * 80 + x + y) & 0xFF for f in range(3) for y in range(16) for x in range(16)])
put("index8.raw", [(y * 16 + x) % 200 for y in range(16) for x in range(16)])
put("red.raw", b"".join(struct.pack("<H", i * 257) for i in range(256)))
put("green.raw", b"".join(struct.pack("<H", (255 - i) * 257) for i in range(256)))
put("blue.raw", b"".join(struct.pack("<H", i * 300) for i in range(200)))
put("ybr.raw", [128] * (16 * 16 * 3))
PY

# The header lines every vector shares; $1 = SOP class, the rest are appended.
common() {
    cat <<TXT
(0002,0002) UI [$1]
(0002,0003) UI [1.2.826.0.1.3680043.9.7433.1.$2]
(0008,0016) UI [$1]
(0008,0018) UI [1.2.826.0.1.3680043.9.7433.1.$2]
(0008,0060) CS [OT]
(0010,0020) LO [ID$2]
TXT
}

sc=1.2.840.10008.5.1.4.1.1.7
mf=1.2.840.10008.5.1.4.1.1.7.2

{
    common $sc 1
    cat <<TXT
(0010,0010) PN [Doe^John]
(0028,0002) US 1
(0028,0004) CS [MONOCHROME2]
(0028,0010) US 32
(0028,0011) US 32
(0028,0100) US 8
(0028,0101) US 8
(0028,0102) US 7
(0028,0103) US 0
(0028,1052) DS [-1024]
(0028,1053) DS [1.5]
(7fe0,0010) OB =$work/grey8.raw
TXT
} >"$work/implicit.txt"
dump2dcm -q +ti "$work/implicit.txt" implicit-mono2.dcm

# Explicit VR with long-form elements (SQ, UT, UN, OB) ahead of the pixel data.
{
    common 1.2.840.10008.5.1.4.1.1.2 2
    cat <<TXT
(0008,1140) SQ (Sequence with explicit length #=1)
  (fffe,e000) na (Item with explicit length #=2)
    (0008,1150) UI [1.2.840.10008.5.1.4.1.1.2]
    (0008,1155) UI [1.2.826.0.1.3680043.9.7433.1.99]
  (fffe,e00d) na (ItemDelimitationItem for re-encoding)
(fffe,e0dd) na (SequenceDelimitationItem for re-encoding)
(0009,0010) LO [DRAVIK TEST]
(0009,1010) UT [long-form text ahead of the image]
(0009,1011) UN 01\02\03\04
(0010,0010) PN [Roe^Jane^Q]
(0028,0002) US 1
(0028,0004) CS [MONOCHROME1]
(0028,0010) US 16
(0028,0011) US 16
(0028,0100) US 16
(0028,0101) US 12
(0028,0102) US 11
(0028,0103) US 0
(0028,1052) DS [0]
(0028,1053) DS [1]
(7fe0,0010) OW =$work/grey12.raw
TXT
} >"$work/explicit.txt"
dump2dcm -q +te "$work/explicit.txt" explicit-mono1-16.dcm

{
    common $mf 3
    cat <<TXT
(0010,0010) PN [Multi^Frame]
(0028,0002) US 1
(0028,0004) CS [MONOCHROME2]
(0028,0008) IS [3]
(0028,0010) US 16
(0028,0011) US 16
(0028,0100) US 8
(0028,0101) US 8
(0028,0102) US 7
(0028,0103) US 0
(7fe0,0010) OB =$work/frames3.raw
TXT
} >"$work/multi.txt"
dump2dcm -q +te "$work/multi.txt" explicit-multiframe.dcm

{
    common $sc 4
    cat <<TXT
(0010,0010) PN [Palette^Test]
(0028,0002) US 1
(0028,0004) CS [PALETTE COLOR]
(0028,0010) US 16
(0028,0011) US 16
(0028,0100) US 8
(0028,0101) US 8
(0028,0102) US 7
(0028,0103) US 0
(0028,1101) US 256\0\16
(0028,1102) US 256\0\16
(0028,1103) US 200\0\16
(0028,1201) OW =$work/red.raw
(0028,1202) OW =$work/green.raw
(0028,1203) OW =$work/blue.raw
(7fe0,0010) OB =$work/index8.raw
TXT
} >"$work/palette.txt"
dump2dcm -q +te "$work/palette.txt" palette-explicit.dcm
dcmconv -q +ti palette-explicit.dcm palette-implicit.dcm

{
    common $sc 5
    cat <<TXT
(0010,0010) PN [Ybr^Full]
(0028,0002) US 3
(0028,0004) CS [YBR_FULL]
(0028,0006) US 0
(0028,0010) US 16
(0028,0011) US 16
(0028,0100) US 8
(0028,0101) US 8
(0028,0102) US 7
(0028,0103) US 0
(7fe0,0010) OB =$work/ybr.raw
TXT
} >"$work/ybr.txt"
dump2dcm -q +te "$work/ybr.txt" ybr-full.dcm

dcmcjpeg -q +e1 implicit-mono2.dcm lossless-sv1.dcm
dcmcjpeg -q +el +sv 6 implicit-mono2.dcm lossless-p14.dcm
dcmcjpeg -q +eb implicit-mono2.dcm baseline.dcm
dcmconv -q +tb implicit-mono2.dcm bigendian.dcm

# A file cut inside its pixel data.
head -c $(($(stat -c %s explicit-mono1-16.dcm) - 200)) explicit-mono1-16.dcm >truncated.dcm

for f in implicit-mono2 explicit-mono1-16 explicit-multiframe palette-explicit palette-implicit \
    ybr-full lossless-sv1 lossless-p14 baseline bigendian; do
    dcmdump -q -Un "$f.dcm" >"$f.dump"
done
ls -l ./*.dcm
