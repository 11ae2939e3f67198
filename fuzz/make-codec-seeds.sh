#!/usr/bin/env bash
# The seeds of the codec fuzz targets (jls_fuzz, j2k_fuzz, jpeg12_fuzz): every frame's codestream
# of the test vectors in tests/data/codecs/, cut ones included. Needs python3-pydicom.
set -euo pipefail
cd "$(dirname "$0")"
for kind in jls j2k jpeg12; do
    dir=corpus/${kind}_fuzz
    rm -f "$dir"/$kind-*.bin # other seeds (found inputs) stay
    mkdir -p "$dir"
    /usr/bin/python3 - "$dir" ../tests/data/codecs/$kind-*.dcm <<'PY'
import os, sys, pydicom
from pydicom.encaps import generate_pixel_data_frame
for path in sys.argv[2:]:
    ds = pydicom.dcmread(path)
    base = os.path.splitext(os.path.basename(path))[0]
    if "PixelData" in ds:
        frames = list(generate_pixel_data_frame(ds.PixelData, int(ds.get("NumberOfFrames", 1))))
    else:  # a cut file: what follows the offset table and the first item header
        b = open(path, "rb").read()
        at = b.rfind(b"\xe0\x7f\x10\x00") + 12
        at += 8 + int.from_bytes(b[at + 4:at + 8], "little")
        frames = [b[at + 8:]]
    for i, f in enumerate(frames):
        open(f"{sys.argv[1]}/{base}-{i}.bin", "wb").write(f)
PY
done
