#!/usr/bin/env bash
# Builds the JPEG-LS, JPEG 2000 and 12-bit JPEG test vectors (tests/data/codecs/) with GDCM and
# dcmtk, and records an independent decoding of each as the oracle:
#   NAME.dcm   the vector (NAME.jpg: a plain 12-bit JPEG file)
#   NAME.raw   the pixel data as gdcmconv --raw, dcmdjpls or dcmdjpeg decode it, as stored
#              (little-endian words for more than 8 bits, colour by pixel)
# Needs libgdcm-tools, dcmtk and python3-pydicom; the outputs are committed so the tests need
# none of them.
set -euo pipefail
cd "$(dirname "$0")"
py=/usr/bin/python3
for t in gdcmconv dcmcjpls dcmdjpls dcmcjpeg dcmdjpeg dcmodify $py; do
    command -v "$t" >/dev/null || { echo "make-dicom-codecs.sh: $t is missing" >&2; exit 1; }
done
mkdir -p codecs
out=$PWD/codecs
src=$PWD/pixel
work=$(mktemp -d)
[ -n "${KEEP_WORK:-}" ] || trap 'rm -rf "$work"' EXIT

# Sources beyond the pixel vectors: odd sizes, signed 16 bits over the whole range, two frames;
# 8-bit grey; 12-bit unsigned for the extended JPEG process.
$py - "$work" <<'PY'
import math, sys
import numpy as np
from pydicom.dataset import Dataset, FileMetaDataset
from pydicom.uid import ExplicitVRLittleEndian
w = sys.argv[1]
def save(name, arr, bits, signed, frames=1, pi="MONOCHROME2"):
    meta = FileMetaDataset()
    # Multi-frame Grayscale Word or Byte Secondary Capture; GDCM wants a multi-frame class.
    meta.MediaStorageSOPClassUID = "1.2.840.10008.5.1.4.1.1.7" + (".3" if bits > 8 else ".2")
    meta.MediaStorageSOPInstanceUID = "1.2.826.0.1.3680043.9.7433.3." + str(len(name))
    meta.TransferSyntaxUID = ExplicitVRLittleEndian
    ds = Dataset()
    ds.file_meta = meta
    ds.is_little_endian, ds.is_implicit_VR = True, False
    ds.SOPClassUID = meta.MediaStorageSOPClassUID
    ds.SOPInstanceUID = meta.MediaStorageSOPInstanceUID
    ds.Modality = "OT"
    ds.PatientName = "Codec^" + name
    ds.ImageComments = "keeps the smallest vectors above 1024 bytes " * 20
    ds.SamplesPerPixel = 3 if pi == "RGB" else 1
    ds.PhotometricInterpretation = pi
    if pi == "RGB":
        ds.PlanarConfiguration = 0
    if frames > 1:
        ds.NumberOfFrames = frames
    ds.Rows, ds.Columns = arr.shape[-2] if pi != "RGB" else arr.shape[-3], \
        arr.shape[-1] if pi != "RGB" else arr.shape[-2]
    alloc = 8 if bits <= 8 else 16
    ds.BitsAllocated, ds.BitsStored, ds.HighBit = alloc, bits, bits - 1
    ds.PixelRepresentation = 1 if signed else 0
    dt = {(8, 0): "<u1", (16, 0): "<u2", (16, 1): "<i2"}[(alloc, int(signed))]
    ds.PixelData = arr.astype(dt).tobytes()
    ds.save_as(f"{w}/{name}.dcm", write_like_original=False)
y, x = np.mgrid[0:23, 0:37]
f0 = (np.sin(x / 4.0) * np.cos(y / 3.0) * 32767).astype(np.int32)
f1 = ((x * 1771 + y * 2897) % 65536 - 32768).astype(np.int32)
f0[0, 0], f0[0, 1] = -32768, 32767
save("odd16s", np.stack([f0, f1]), 16, True, frames=2)
y, x = np.mgrid[0:17, 0:33]
save("grey8odd", (x * 7 + y * 13 + (x * y) % 5) % 256, 8, False)
y, x = np.mgrid[0:31, 0:45]
g0 = 2048 + 1800 * np.sin(x / 6.0) * np.cos(y / 5.0)
g1 = (x * 90 + y * 40) % 4096
save("ct12u", np.stack([g0, g1]), 12, False, frames=2)
PY

# The pixel data of a decoded (native) file, as stored.
rawof() {
    $py -c 'import sys, pydicom; open(sys.argv[2], "wb").write(pydicom.dcmread(sys.argv[1]).PixelData)' "$1" "$2"
}
# A vector and its oracle: NAME ORACLE(gdcm|dcmdjpls|dcmdjpeg)
oracle() {
    case $2 in
    gdcm) gdcmconv --raw "$out/$1.dcm" "$work/$1.native.dcm" ;;
    dcmdjpls) dcmdjpls -q "$out/$1.dcm" "$work/$1.native.dcm" ;;
    dcmdjpeg) dcmdjpeg -q "$out/$1.dcm" "$work/$1.native.dcm" ;;
    esac
    rawof "$work/$1.native.dcm" "$out/$1.raw"
}
# A copy of a vector with its pixel data element cut short, the file ending inside the codestream
# of the first frame.
cut() {
    $py - "$out/$1.dcm" "$out/$2.dcm" <<'PY'
import sys
b = open(sys.argv[1], "rb").read()
i = b.rfind(b"\xe0\x7f\x10\x00")
first = b.find(b"\xfe\xff\x00\xe0", i + 12)               # offset table
frag = b.find(b"\xfe\xff\x00\xe0", first + 8 + int.from_bytes(b[first + 4:first + 8], "little"))
n = int.from_bytes(b[frag + 4:frag + 8], "little")
open(sys.argv[2], "wb").write(b[:frag + 8 + n * 6 // 10])
PY
}

# JPEG-LS
gdcmconv --jpegls "$src/ct-signed.dcm" "$out/jls-ct-signed.dcm"
oracle jls-ct-signed dcmdjpls
dcmcjpls -q +el "$work/odd16s.dcm" "$out/jls-odd16s.dcm"
oracle jls-odd16s dcmdjpls
dcmcjpls -q +el "$work/grey8odd.dcm" "$out/jls-grey8odd.dcm"
oracle jls-grey8odd dcmdjpls
dcmcjpls -q +en +md 3 "$src/mf-range.dcm" "$out/jls-mf-near.dcm"
oracle jls-mf-near dcmdjpls
for ilv in il is in; do
    dcmcjpls -q +el +$ilv "$src/rgb.dcm" "$out/jls-rgb-$ilv.dcm"
    oracle jls-rgb-$ilv dcmdjpls
done
cut jls-odd16s jls-cut

# JPEG 2000
gdcmconv --j2k "$src/ct-signed.dcm" "$out/j2k-ct-signed.dcm"
oracle j2k-ct-signed gdcm
gdcmconv --j2k "$work/odd16s.dcm" "$out/j2k-odd16s.dcm"
oracle j2k-odd16s gdcm
gdcmconv --j2k "$src/mf-range.dcm" "$out/j2k-mf.dcm"
oracle j2k-mf gdcm
gdcmconv --j2k "$work/grey8odd.dcm" "$out/j2k-grey8odd.dcm"
oracle j2k-grey8odd gdcm
gdcmconv --j2k --lossy --irreversible -q 30 "$src/mf-range.dcm" "$out/j2k-mf-lossy.dcm" 2>/dev/null
oracle j2k-mf-lossy gdcm
# The colour transforms: reversible (lossless) and irreversible (lossy), labelled as DICOM wants.
gdcmconv --j2k "$src/rgb.dcm" "$out/j2k-rgb-rct.dcm"
dcmodify -q -nb -m "(0028,0004)=YBR_RCT" "$out/j2k-rgb-rct.dcm"
oracle j2k-rgb-rct gdcm
gdcmconv --j2k --lossy --irreversible -q 40 "$src/rgb.dcm" "$out/j2k-rgb-ict.dcm" 2>/dev/null
dcmodify -q -nb -m "(0028,0004)=YBR_ICT" "$out/j2k-rgb-ict.dcm"
oracle j2k-rgb-ict gdcm
# A signed codestream under Pixel Representation 0: the codestream wins.
cp "$out/j2k-ct-signed.dcm" "$out/j2k-sign-mismatch.dcm"
dcmodify -q -nb -m "(0028,0103)=0" "$out/j2k-sign-mismatch.dcm"
cut j2k-odd16s j2k-cut

# 12-bit lossy JPEG (extended, process 4), grey and colour, and one frame as a plain .jpg file.
dcmcjpeg -q +ee "$work/ct12u.dcm" "$out/jpeg12-ct.dcm"
oracle jpeg12-ct dcmdjpeg
dcmcjpeg -q +ee "$src/rgb16.dcm" "$out/jpeg12-rgb.dcm"
oracle jpeg12-rgb dcmdjpeg
$py - "$out/jpeg12-ct.dcm" "$out/jpeg12-ct.jpg" <<'PY'
import sys, pydicom
from pydicom.encaps import generate_pixel_data_frame
ds = pydicom.dcmread(sys.argv[1])
open(sys.argv[2], "wb").write(next(generate_pixel_data_frame(ds.PixelData)))
PY
cut jpeg12-ct jpeg12-cut
ls -l "$out"

../../fuzz/make-codec-seeds.sh
