#!/usr/bin/env bash
# The archive window: time from Open on a series to its first picture shown, against the time to
# the end of the whole retrieval. Makes the same series as archive-get.sh (N single-frame
# 512 x 512 CT instances), serves it from a private Orthanc, runs dravik on a private Xvfb and
# drives the window with xdotool; the times come from the DRAVIK_TRACE lines as they arrive.
# Usage: bench/archive-first-picture.sh [BUILD_DIR] [N] [RUNS]
#   (needs orthanc, orthanc-dicomweb, curl, pydicom, Xvfb, xdotool)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build} n=${2:-300} runs=${3:-3}
dravik=$(realpath "$build/dravik")
xvfb_pid= dravik_pid=
plugin=$(dpkg -L orthanc-dicomweb 2>/dev/null | grep '\.so$' | head -n 1 || true)
if [ ! -x /usr/sbin/Orthanc ] || [ -z "$plugin" ]; then
    echo "archive-first-picture: orthanc and orthanc-dicomweb are needed" >&2
    exit 1
fi
work=$(mktemp -d)
orthanc_pid=
cleanup() {
    [ -n "$dravik_pid" ] && kill "$dravik_pid" 2>/dev/null
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
    [ -n "$orthanc_pid" ] && kill "$orthanc_pid" 2>/dev/null && wait "$orthanc_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
trap "exit 1" INT TERM

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

d=240
while [ -e /tmp/.X$d-lock ]; do d=$((d + 1)); done
Xvfb :$d -screen 0 1280x1024x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
export DISPLAY=:$d
for _ in $(seq 100); do xdotool getmouselocation >/dev/null 2>&1 && break; sleep 0.1; done

now() { date +%s.%N; }
# Waits for a window named exactly $1 and prints its id.
win() {
    for _ in $(seq 300); do
        w=$(xdotool search --name "^$1\$" 2>/dev/null | head -n 1 || true)
        [ -n "$w" ] && { echo "$w"; return; }
        sleep 0.05
    done
    echo "archive-first-picture: no window $1" >&2
    exit 1
}
click() { xdotool mousemove --window "$1" 8 5 click 1; }
# Waits for a trace line containing $1 in the stamped log; prints its time.
stamp() {
    for _ in $(seq 1200); do
        t=$(grep -F -- "$1" "$work/trace" | head -n 1 | cut -d' ' -f1)
        [ -n "$t" ] && { echo "$t"; return; }
        sleep 0.05
    done
    echo "archive-first-picture: no trace '$1'" >&2
    exit 1
}
for r in $(seq "$runs"); do
    export XDG_CACHE_HOME=$work/cache$r HOME=$work/home
    mkdir -p "$HOME"
    printf 'AskProgramExit=0\n' >"$HOME/.dravikrc"
    : >"$work/trace"
    (DRAVIK_TRACE=1 "$dravik" 2>&1 >/dev/null | while IFS= read -r l; do
        printf '%s %s\n' "$(now)" "$l"
    done >>"$work/trace") &
    pipe_pid=$!
    click "$(win File)"
    click "$(win 'Open from archive...')"
    click "$(win Search)"
    stamp "archive find rc=0" >/dev/null
    click "$(win Open)"
    stamp "archive series rc=0" >/dev/null
    t0=$(now)
    click "$(win Open)"
    t1=$(stamp "trace: open $XDG_CACHE_HOME")
    t2=$(stamp "archive get rc=0 instances=$n")
    printf 'run %d: first picture %.3f s, whole retrieval %.3f s (%d instances), ratio %.2f\n' \
        "$r" "$(awk "BEGIN{print $t1 - $t0}")" "$(awk "BEGIN{print $t2 - $t0}")" \
        "$(ls "$(dirname "$(find "$XDG_CACHE_HOME" -name '*.dcm' | head -n 1)")" | wc -l)" \
        "$(awk "BEGIN{print ($t1 - $t0) / ($t2 - $t0)}")"
    dravik_pid=$(pgrep -n -f "^$dravik\$" || true)
    [ -n "$dravik_pid" ] && kill "$dravik_pid" 2>/dev/null
    wait "$pipe_pid" 2>/dev/null || true
    dravik_pid=
done
