#!/usr/bin/env bash
# Builds the nested-sequence test vectors (tests/data/nested/) with dcmtk: images whose sequences
# repeat top-level elements before them (a referenced patient's name, an icon with its own size
# and pixel data, a nested Number of Frames and Rescale Slope), in implicit and explicit VR with
# defined and undefined lengths, and lossless-JPEG compressed. dcmdump's view of each is recorded
# (NAME.dump); its unindented lines are the top-level elements the reader must show. Needs dcmtk
# and python3; the outputs are committed so the tests need neither.
set -euo pipefail
cd "$(dirname "$0")"
for t in dump2dcm dcmcjpeg dcmdump python3; do
    command -v "$t" >/dev/null || { echo "make-dicom-nested.sh: $t is missing" >&2; exit 1; }
done
mkdir -p nested
out=$PWD/nested
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The image: a 32 x 32 ramp over 0..255; the icon: 4 x 4 of one value the ramp has not there.
python3 - "$work" <<'PY'
import sys
w = sys.argv[1]
open(f"{w}/image.raw", "wb").write(bytes((y * 32 + x) // 4 for y in range(32) for x in range(32)))
open(f"{w}/icon.raw", "wb").write(bytes([0xC8] * 16))
PY

cat >"$work/nested.txt" <<TXT
(0002,0002) UI [1.2.840.10008.5.1.4.1.1.7]
(0002,0003) UI [1.2.826.0.1.3680043.9.7433.2.1]
(0008,0016) UI [1.2.840.10008.5.1.4.1.1.7]
(0008,0018) UI [1.2.826.0.1.3680043.9.7433.2.1]
(0008,0060) CS [OT]
(0008,1120) SQ (Sequence with explicit length #=1)
  (fffe,e000) na (Item with explicit length #=3)
    (0008,1150) UI [1.2.840.10008.3.1.2.1.1]
    (0008,1155) UI [1.2.826.0.1.3680043.9.7433.2.77]
    (0010,0010) PN [Other^Person]
  (fffe,e00d) na (ItemDelimitationItem for re-encoding)
(fffe,e0dd) na (SequenceDelimitationItem for re-encoding)
(0008,1140) SQ (Sequence with explicit length #=1)
  (fffe,e000) na (Item with explicit length #=3)
    (0008,1155) UI [1.2.826.0.1.3680043.9.7433.2.78]
    (0028,0008) IS [4]
    (0028,1053) DS [2.5]
  (fffe,e00d) na (ItemDelimitationItem for re-encoding)
(fffe,e0dd) na (SequenceDelimitationItem for re-encoding)
(0010,0010) PN [Real^Patient]
(0010,0020) LO [NESTED1]
(0028,0002) US 1
(0028,0004) CS [MONOCHROME2]
(0028,0010) US 32
(0028,0011) US 32
(0028,0100) US 8
(0028,0101) US 8
(0028,0102) US 7
(0028,0103) US 0
(0088,0200) SQ (Sequence with explicit length #=1)
  (fffe,e000) na (Item with explicit length #=9)
    (0028,0002) US 1
    (0028,0004) CS [MONOCHROME2]
    (0028,0010) US 4
    (0028,0011) US 4
    (0028,0100) US 8
    (0028,0101) US 8
    (0028,0102) US 7
    (0028,0103) US 0
    (7fe0,0010) OB =$work/icon.raw
  (fffe,e00d) na (ItemDelimitationItem for re-encoding)
(fffe,e0dd) na (SequenceDelimitationItem for re-encoding)
(7fe0,0010) OB =$work/image.raw
TXT

dump2dcm -q +ti +e "$work/nested.txt" nested/implicit.dcm
dump2dcm -q +ti -e "$work/nested.txt" nested/implicit-undef.dcm
dump2dcm -q +te +e "$work/nested.txt" nested/explicit.dcm
dump2dcm -q +te -e "$work/nested.txt" nested/explicit-undef.dcm
dcmcjpeg -q +e1 -e nested/explicit-undef.dcm nested/lossless.dcm

for f in implicit implicit-undef explicit explicit-undef lossless; do
    dcmdump -q -Un "nested/$f.dcm" >"nested/$f.dump"
done
ls -l nested
