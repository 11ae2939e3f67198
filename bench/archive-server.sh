# Shared by the archive benchmarks (sourced): archive_bench_needs NAME checks for Orthanc and
# its DICOMweb plugin; archive_bench_serve makes a series of $n single-frame 512 x 512 16-bit CT
# instances (pydicom) under $work, starts a private Orthanc on a free loopback port, uploads the
# series, writes the archives file for it and sets base and orthanc_pid (the caller's cleanup
# stops it).

archive_bench_needs() {
    plugin=$(dpkg -L orthanc-dicomweb 2>/dev/null | grep '\.so$' | head -n 1 || true)
    if [ ! -x /usr/sbin/Orthanc ] || [ -z "$plugin" ]; then
        echo "$1: orthanc and orthanc-dicomweb are needed" >&2
        exit 1
    fi
}

archive_bench_serve() {
    /usr/bin/python3 - "$work/series" "$n" <<'PY'
import os, random, struct, sys
from pydicom.dataset import Dataset, FileMetaDataset
from pydicom.uid import ExplicitVRLittleEndian
out, n = sys.argv[1], int(sys.argv[2])
os.makedirs(out)
root = "1.2.826.0.1.3680043.9.7433.34"
rnd = random.Random(1)
noise = bytes(rnd.getrandbits(8) & 0x0F for _ in range(1 << 16))
for i in range(1, n + 1):
    meta = FileMetaDataset()
    meta.MediaStorageSOPClassUID = "1.2.840.10008.5.1.4.1.1.2"
    meta.MediaStorageSOPInstanceUID = f"{root}.1.1.{i}"
    meta.TransferSyntaxUID = ExplicitVRLittleEndian
    ds = Dataset()
    ds.file_meta = meta
    ds.is_little_endian, ds.is_implicit_VR = True, False
    ds.SOPClassUID, ds.SOPInstanceUID = meta.MediaStorageSOPClassUID, meta.MediaStorageSOPInstanceUID
    ds.StudyInstanceUID, ds.SeriesInstanceUID = f"{root}.1", f"{root}.1.1"
    ds.Modality, ds.PatientName, ds.PatientID, ds.StudyDate = "CT", "Bench^Ct", "B300", "20240101"
    ds.InstanceNumber = i
    ds.Rows = ds.Columns = 512
    ds.SamplesPerPixel, ds.PhotometricInterpretation = 1, "MONOCHROME2"
    ds.BitsAllocated, ds.BitsStored, ds.HighBit, ds.PixelRepresentation = 16, 12, 11, 0
    ds.RescaleIntercept, ds.RescaleSlope = -1024, 1
    k = (i * 7919) % len(noise)
    px = bytearray()
    while len(px) < 512 * 512 * 2:
        px += noise[k:] + noise[:k]
    ds.PixelData = bytes(px[:512 * 512 * 2])
    ds.save_as(f"{out}/{i:04d}.dcm", write_like_original=False)
PY

    port=$(/usr/bin/python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')
    mkdir "$work/db"
    cat >"$work/orthanc.json" <<JSON
{"Name": "dravik-bench", "StorageDirectory": "$work/db", "IndexDirectory": "$work/db",
 "HttpPort": $port, "HttpBindAddress": "127.0.0.1", "RemoteAccessAllowed": false,
 "DicomServerEnabled": false, "AuthenticationEnabled": true,
 "RegisteredUsers": {"bench": "bench"}, "Plugins": ["$plugin"],
 "DicomWeb": {"Enable": true, "Root": "/dicom-web/"}}
JSON
    /usr/sbin/Orthanc "$work/orthanc.json" >"$work/orthanc.log" 2>&1 &
    orthanc_pid=$!
    base=http://127.0.0.1:$port
    for _ in $(seq 300); do
        curl -sf -u bench:bench "$base/system" >/dev/null && break
        sleep 0.1
    done
    for f in "$work"/series/*.dcm; do
        curl -sf -u bench:bench --data-binary "@$f" "$base/instances" >/dev/null
    done

    export XDG_CONFIG_HOME=$work/config
    mkdir -p "$XDG_CONFIG_HOME/dravik"
    printf '[bench]\nurl = %s/dicom-web\nuser = bench\npassword = bench\n' "$base" \
        >"$XDG_CONFIG_HOME/dravik/archives"
    chmod 600 "$XDG_CONFIG_HOME/dravik/archives"
}
