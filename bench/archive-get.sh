#!/usr/bin/env bash
# Retrieval from a local Orthanc: `dravik-tool archive get` against curl fetching the same
# WADO-RS series URL with the same Accept header into a file (the HTTP transfer itself is the
# floor). Makes a series of N single-frame 512 x 512 16-bit CT instances (pydicom), starts a
# private Orthanc with the DICOMweb plugin on a free loopback port, uploads the series and
# prints the wall times of RUNS runs and their ratio.
# Usage: bench/archive-get.sh [BUILD_DIR] [N] [RUNS]   (needs orthanc, orthanc-dicomweb, curl)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build} n=${2:-300} runs=${3:-3}
tool=$build/dravik-tool
plugin=$(dpkg -L orthanc-dicomweb 2>/dev/null | grep '\.so$' | head -n 1 || true)
if [ ! -x /usr/sbin/Orthanc ] || [ -z "$plugin" ]; then
    echo "archive-get: orthanc and orthanc-dicomweb are needed" >&2
    exit 1
fi
work=$(mktemp -d)
orthanc_pid=
cleanup() {
    [ -n "$orthanc_pid" ] && kill "$orthanc_pid" 2>/dev/null && wait "$orthanc_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

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
study=1.2.826.0.1.3680043.9.7433.34.1 series=1.2.826.0.1.3680043.9.7433.34.1.1
url="$base/dicom-web/studies/$study/series/$series"
accept='Accept: multipart/related; type="application/dicom"; transfer-syntax=*'

# The machine is shared: the two commands take turns at going first, so neither always meets
# a warm or a busy server.
now() { date +%s.%N; }
fetch_curl() { curl -sf -u bench:bench -H "$accept" -o "$work/curl.out" "$url"; }
fetch_tool() {
    got=$("$tool" archive get bench "$study" "$series" "$work/out")
    [ "$got" = "$n instances" ] || { echo "archive-get: got '$got'" >&2; exit 1; }
}
ratios=()
for r in $(seq "$runs"); do
    rm -rf "$work/out" "$work/curl.out"
    if [ $((r % 2)) -eq 1 ]; then
        t0=$(now); fetch_curl; t1=$(now); fetch_tool; t2=$(now)
        c=$(awk "BEGIN{print $t1 - $t0}") d=$(awk "BEGIN{print $t2 - $t1}")
    else
        t0=$(now); fetch_tool; t1=$(now); fetch_curl; t2=$(now)
        d=$(awk "BEGIN{print $t1 - $t0}") c=$(awk "BEGIN{print $t2 - $t1}")
    fi
    ratio=$(awk "BEGIN{printf \"%.2f\", $d / $c}")
    ratios+=("$ratio")
    printf 'run %d: curl %.3f s (%d bytes), dravik-tool %.3f s (%d files), ratio %s\n' "$r" "$c" \
        "$(stat -c %s "$work/curl.out")" "$d" "$(ls "$work/out" | wc -l)" "$ratio"
done
printf 'median ratio %s (target at most 1.2)\n' "$(printf '%s\n' "${ratios[@]}" | sort -n |
    sed -n "$(((${#ratios[@]} + 1) / 2))p")"
