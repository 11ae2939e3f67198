#!/usr/bin/env bash
# Builds the test vectors of DICOM as other toolkits write it (tests/data/wild/): big endian,
# deflated, without preamble, 1 and 32 bits allocated, small files and objects without a picture.
# pydicom writes the vectors, gdcmconv deflates, dcmtk decodes the oracle:
#   NAME.dcm   the vector
#   NAME.raw   the pixel data as dcmtk decodes it (dcmconv +te, then the element's bytes; for
#              1 bit allocated the 0/255 values dcm2pnm shows, one byte a pixel)
# Needs python3-pydicom, libgdcm-tools and dcmtk; the outputs are committed so the tests need none.
set -euo pipefail
cd "$(dirname "$0")"
py=/usr/bin/python3
for t in gdcmconv dcmconv dcmdump dcm2pnm $py; do
    command -v "$t" >/dev/null || { echo "make-dicom-wild.sh: $t is missing" >&2; exit 1; }
done
$py -c "import pydicom" || { echo "make-dicom-wild.sh: python3-pydicom is missing" >&2; exit 1; }
mkdir -p wild
out=$PWD/wild
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
rm -f "$out"/*

$py - "$out" "$work" <<'PY'
import struct, sys
from pydicom.dataset import Dataset, FileDataset, FileMetaDataset
from pydicom.sequence import Sequence
from pydicom.uid import ExplicitVRLittleEndian, ExplicitVRBigEndian, ImplicitVRLittleEndian

out, work = sys.argv[1:3]
SC = "1.2.840.10008.5.1.4.1.1.7"

def base(sop, n):
    ds = Dataset()
    ds.SpecificCharacterSet = "ISO_IR 100"
    ds.SOPClassUID = sop
    ds.SOPInstanceUID = f"1.2.826.0.1.3680043.9.7433.3.{n}"
    ds.Modality = "OT"
    ds.PatientName = "Wild^Test"
    ds.PatientID = f"W{n}"
    return ds

def image(ds, rows, cols, ba, bs, rep, data, frames=1, pi="MONOCHROME2"):
    ds.SamplesPerPixel = 1
    ds.PhotometricInterpretation = pi
    if frames > 1:
        ds.NumberOfFrames = frames
    ds.Rows, ds.Columns = rows, cols
    ds.BitsAllocated, ds.BitsStored, ds.HighBit = ba, bs, bs - 1
    ds.PixelRepresentation = rep
    ds.PixelData = data
    ds["PixelData"].VR = "OB" if ba <= 8 else "OW"
    return ds

def save(name, ds, syntax, preamble=True):
    meta = FileMetaDataset()
    meta.MediaStorageSOPClassUID = ds.SOPClassUID
    meta.MediaStorageSOPInstanceUID = ds.SOPInstanceUID
    meta.TransferSyntaxUID = syntax
    fds = FileDataset(name, ds, file_meta=meta, preamble=b"\0" * 128)
    fds.is_little_endian = syntax != ExplicitVRBigEndian
    fds.is_implicit_VR = syntax == ImplicitVRLittleEndian
    fds.save_as(f"{out}/{name}", write_like_original=False)

def plain(name, ds, little, implicit):
    # A bare data set: no preamble, no "DICM", no meta group.
    ds.is_little_endian, ds.is_implicit_VR = little, implicit
    ds.save_as(f"{out}/{name}", write_like_original=True)

def words(fmt, vals):
    return b"".join(struct.pack(fmt, v) for v in vals)

# Signed 12-bit values in 16 bits, 13 x 7, three frames; both ends of the range present.
s16 = [((f * 997 + y * 131 + x * 37) % 4096) - 2048 for f in range(3) for y in range(7) for x in range(13)]
s16[0], s16[1] = -2048, 2047

# Big endian: values, the sequence item and the pixel words all swapped.
ds = image(base(SC, 1), 7, 13, 16, 12, 1, words(">h", s16), frames=3)
ds.RescaleIntercept, ds.RescaleSlope = "-1024", "1"
item = Dataset()
item.ReferencedSOPClassUID = SC
item.ReferencedSOPInstanceUID = "1.2.826.0.1.3680043.9.7433.3.99"
ds.ReferencedImageSequence = Sequence([item])
ds.add_new(0x00181063, "DS", "33.3")
ds.add_new(0x00280034, "IS", [1, 1])   # Pixel Aspect Ratio
ds.add_new(0x00181164, "DS", [0.5, 0.5])
ds.add_new(0x0020000D, "UI", "1.2.826.0.1.3680043.9.7433.3.1000")
ds.add_new(0x00091010, "LO", "DRAVIK")
ds.add_new(0x00091011, "UL", 0x01020304)
ds.add_new(0x00091012, "FD", 1.5)
ds.add_new(0x00091013, "AT", 0x00091010)  # a tag the search never looks for
save("be-s16.dcm", ds, ExplicitVRBigEndian)
# The same image little endian, for deflating.
ds = image(base(SC, 2), 7, 13, 16, 12, 1, words("<h", s16), frames=3)
ds.ReferencedImageSequence = Sequence([item])
save("le-s16.dcm", ds, ExplicitVRLittleEndian)
# Unsigned 8-bit big endian (OB: nothing to swap), odd size.
u8 = bytes((x * 9 + y * 5) & 0xFF for y in range(31) for x in range(37))
save("be-u8.dcm", image(base(SC, 3), 31, 37, 8, 8, 0, u8 + b"\0"), ExplicitVRBigEndian)
save("le-u8.dcm", image(base(SC, 3), 31, 37, 8, 8, 0, u8 + b"\0"), ExplicitVRLittleEndian)

# Without preamble: implicit and explicit little endian, explicit big endian.
g = words("<H", [(x * 300 + y * 7) & 0xFFFF for y in range(20) for x in range(30)])
gb = words(">H", [(x * 300 + y * 7) & 0xFFFF for y in range(20) for x in range(30)])
plain("plain-implicit.dcm", image(base(SC, 4), 20, 30, 16, 16, 0, g), True, True)
plain("plain-explicit.dcm", image(base(SC, 5), 20, 30, 16, 16, 0, g), True, False)
plain("plain-be.dcm", image(base(SC, 6), 20, 30, 16, 16, 0, gb), False, False)
# Implicit VR big endian, which dcmtk does not read: its oracle is plain-be's (the same values).
plain("plain-implicit-be.dcm", image(base(SC, 6), 20, 30, 16, 16, 0, gb), False, True)

# 1 bit allocated: 7 x 5, three frames packed back to back (105 bits), LSB first.
bits = [1 if (x + y + f) % 3 == 0 or (f == 2 and x == 6) else 0
        for f in range(3) for y in range(5) for x in range(7)]
packed = bytearray((len(bits) + 7) // 8)
for i, b in enumerate(bits):
    packed[i // 8] |= b << (i % 8)
packed += b"\0" * (len(packed) & 1)
save("bits1.dcm", image(base("1.2.840.10008.5.1.4.1.1.7.1", 7), 5, 7, 1, 1, 0, bytes(packed), frames=3),
     ExplicitVRLittleEndian)

# 32-bit unsigned dose grid, 5 x 4, two frames, values past 16 bits.
d32 = [(f + 1) * 70000 + y * 1000 + x * 3 for f in range(2) for y in range(4) for x in range(5)]
d32[0] = 0xFFFFFF  # the largest value a float holds exactly
ds = image(base("1.2.840.10008.5.1.4.1.1.481.2", 8), 4, 5, 32, 32, 0, words("<I", d32), frames=2)
ds.DoseGridScaling = "0.0001"
ds.DoseUnits, ds.DoseType = "GY", "PHYSICAL"
save("dose32.dcm", ds, ExplicitVRLittleEndian)

# A file far below 1024 bytes, with its marker.
save("small.dcm", image(base(SC, 9), 4, 4, 8, 8, 0, bytes(range(0, 160, 10))), ImplicitVRLittleEndian)

# Objects without a picture.
sr = base("1.2.840.10008.5.1.4.1.1.88.11", 10)
sr.Modality = "SR"
content = Dataset()
content.RelationshipType = "CONTAINS"
content.ValueType = "TEXT"
content.TextValue = "No acute findings. " * 40
sr.ValueType = "CONTAINER"
sr.ContentSequence = Sequence([content])
save("noimage-sr.dcm", sr, ExplicitVRLittleEndian)
plan = base("1.2.840.10008.5.1.4.1.1.481.5", 11)
plan.Modality = "RTPLAN"
plan.RTPlanLabel = "PLAN1"
plan.RTPlanGeometry = "PATIENT"
save("noimage-rtplan.dcm", plan, ImplicitVRLittleEndian)
pdf = base("1.2.840.10008.5.1.4.1.1.104.1", 12)
pdf.Modality = "DOC"
pdf.MIMETypeOfEncapsulatedDocument = "application/pdf"
pdf.EncapsulatedDocument = b"%PDF-1.4\n%dravik test\n" + b"0" * 1200 + b"\n%%EOF\n"
save("noimage-pdf.dcm", pdf, ExplicitVRBigEndian)
# A bare fragment: group 0008 and 0010 only, no preamble.
frag = base(SC, 13)
frag.StudyDescription = "fragment"
frag.ImageComments = "fragment " * 120
plain("noimage-plain.dcm", frag, True, False)
PY

cd "$out"
gdcmconv --deflated le-s16.dcm deflated-s16.dcm
gdcmconv --deflated le-u8.dcm deflated-u8.dcm
rm le-s16.dcm le-u8.dcm
# Cut files: inside the last frame, inside the compressed stream, inside the bits.
head -c $(($(stat -c %s be-s16.dcm) - 60)) be-s16.dcm >be-s16-cut.dcm
head -c $(($(stat -c %s deflated-u8.dcm) - 200)) deflated-u8.dcm >deflated-u8-cut.dcm
head -c $(($(stat -c %s bits1.dcm) - 6)) bits1.dcm >bits1-cut.dcm
head -c $(($(stat -c %s plain-be.dcm) - 100)) plain-be.dcm >plain-be-cut.dcm

# The oracle: dcmtk's decoding of each whole image vector.
for f in *.dcm; do
    name=${f%.dcm}
    case $name in *-cut | noimage-* | plain-implicit-be) continue ;; esac
    if [ "$name" = bits1 ]; then
        rm -rf "$work/pnm" && mkdir "$work/pnm"
        dcm2pnm -q +Fa +Wm +op "$f" "$work/pnm/f"
        : >"$name.raw"
        for p in "$work"/pnm/f.*; do tail -c $((7 * 5)) "$p" >>"$name.raw"; done
        continue
    fi
    dcmconv -q +te "$f" "$work/dec.dcm"
    rm -rf "$work/px" && mkdir "$work/px"
    dcmdump -q +W "$work/px" "$work/dec.dcm" >/dev/null
    cp "$(ls "$work"/px/*.raw | sort -t. -k3 -n | tail -1)" "$name.raw"
done
ls -l
