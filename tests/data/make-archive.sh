#!/usr/bin/env bash
# Writes the studies the archive tests upload to their Orthanc (tests/data/archive/): a CT series
# of four single-frame slices, a three-frame MR image, and an RGB external-camera picture, each
# of its own patient and date. Needs python3-pydicom.
set -euo pipefail
cd "$(dirname "$0")"
mkdir -p archive
/usr/bin/python3 - <<'PY'
import struct
from pydicom.dataset import Dataset, FileMetaDataset
from pydicom.uid import ExplicitVRLittleEndian, ImplicitVRLittleEndian

ROOT = "1.2.826.0.1.3680043.9.7433.33"

def write(path, study, series, inst, sop_class, modality, patient, pid, date, desc, frames,
          rgb=False, implicit=False):
    meta = FileMetaDataset()
    meta.MediaStorageSOPClassUID = sop_class
    meta.MediaStorageSOPInstanceUID = f"{ROOT}.{study}.{series}.{inst}"
    meta.TransferSyntaxUID = ImplicitVRLittleEndian if implicit else ExplicitVRLittleEndian
    ds = Dataset()
    ds.file_meta = meta
    ds.is_little_endian = True
    ds.is_implicit_VR = implicit
    ds.SOPClassUID = sop_class
    ds.SOPInstanceUID = meta.MediaStorageSOPInstanceUID
    ds.StudyInstanceUID = f"{ROOT}.{study}"
    ds.SeriesInstanceUID = f"{ROOT}.{study}.{series}"
    ds.StudyDate = date
    ds.StudyTime = "101500"
    ds.AccessionNumber = f"ACC{study}"
    ds.Modality = modality
    ds.StudyDescription = desc
    ds.SeriesDescription = desc + " series"
    ds.PatientName = patient
    ds.PatientID = pid
    ds.StudyID = str(study)
    ds.SeriesNumber = series
    ds.InstanceNumber = inst
    ds.Rows = ds.Columns = 16
    if rgb:
        ds.SamplesPerPixel = 3
        ds.PhotometricInterpretation = "RGB"
        ds.PlanarConfiguration = 0
        ds.BitsAllocated = ds.BitsStored = 8
        ds.HighBit = 7
        ds.PixelRepresentation = 0
        ds.PixelData = bytes((x * 16 + c * 60 + y) & 255 for y in range(16) for x in range(16)
                             for c in range(3))
    else:
        ds.SamplesPerPixel = 1
        ds.PhotometricInterpretation = "MONOCHROME2"
        ds.BitsAllocated = 16
        ds.BitsStored = 12
        ds.HighBit = 11
        ds.PixelRepresentation = 0
        if frames > 1:
            ds.NumberOfFrames = frames
        ds.PixelData = b"".join(struct.pack("<H", (x * 200 + y * 10 + inst * 50 + f * 7) & 4095)
                                for f in range(frames) for y in range(16) for x in range(16))
    ds.save_as(path, write_like_original=False)

CT, MR, SC = "1.2.840.10008.5.1.4.1.1.2", "1.2.840.10008.5.1.4.1.1.4", "1.2.840.10008.5.1.4.1.1.7"
for i in range(1, 5):
    write(f"archive/ct-{i}.dcm", 1, 1, i, CT, "CT", "Archive^Alice", "ARC001", "20240115",
          "Chest CT", 1, implicit=(i == 4))
write("archive/mr-frames.dcm", 2, 1, 1, MR, "MR", "Archive^Bob", "ARC002", "20240320",
      "Knee MR", 3)
write("archive/rgb.dcm", 3, 1, 1, SC, "XC", "Other^Carol", "ARC003", "20230601",
      "Skin photo", 1, rgb=True)
PY
