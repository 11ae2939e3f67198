#!/usr/bin/env bash
# Builds the DICOM files whose lossy JPEG stream and Photometric Interpretation disagree about
# colour (tests/data/jpegcolour/): cjpeg writes the streams, python3 does the byte surgery on
# them, dcmtk's img2dcm wraps them into DICOM and dcmodify sets the Photometric Interpretation.
# NAME.ref.ppm is djpeg's decoding of the stream alone, led by the stream's own markers.
# Needs libjpeg-turbo-progs, dcmtk and python3; the outputs are committed.
set -euo pipefail
cd "$(dirname "$0")"
for t in cjpeg djpeg img2dcm dcmodify python3; do
    command -v "$t" >/dev/null || { echo "make-dicom-jpegcolour.sh: $t is missing" >&2; exit 1; }
done
mkdir -p jpegcolour
out=$PWD/jpegcolour
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Pure red, green, blue and white bars over a grey ramp, 48 x 32.
python3 - "$work/bars.ppm" <<'PY'
import sys
w, h = 48, 32
bars = [(255, 0, 0), (0, 255, 0), (0, 0, 255), (255, 255, 255)]
px = bytearray()
for y in range(h):
    for x in range(w):
        px += bytes(bars[x // 12] if y < 16 else (x * 5, x * 5, x * 5))
open(sys.argv[1], "wb").write(b"P6\n%d %d\n255\n" % (w, h) + px)
PY

cjpeg -quality 95 -outfile "$work/ycc420.jpg" "$work/bars.ppm"
cjpeg -quality 95 -sample 1x1 -outfile "$work/ycc444.jpg" "$work/bars.ppm"
cjpeg -quality 95 -rgb -outfile "$work/rgb.jpg" "$work/bars.ppm"

# ycc444 with an Adobe segment saying YCbCr instead of its JFIF one; rgb.jpg with component ids 1, 2, 3 and no Adobe
# segment, so that nothing in the stream says RGB.
python3 - "$work" <<'PY'
import sys
d = sys.argv[1]
def segments(b):
    i = 2
    while b[i + 1] != 0xDA:
        n = int.from_bytes(b[i + 2:i + 4], "big")
        yield i, b[i + 1], n + 2
        i += n + 2
src = open(f"{d}/ycc444.jpg", "rb").read()
adobe = b"\xff\xee\x00\x0eAdobe\x00\x64\x00\x00\x00\x00\x01"
at, marker, n = next(segments(src))
assert marker == 0xE0  # the JFIF segment gives way to the Adobe one
open(f"{d}/ycc444-adobe.jpg", "wb").write(src[:2] + adobe + src[at + n:])
b = bytearray(open(f"{d}/rgb.jpg", "rb").read())
for at, marker, n in list(segments(b)):
    if marker == 0xC0:
        for c in range(3):
            b[at + 10 + 3 * c] = c + 1
sos = b.index(b"\xff\xda")
for c in range(3):
    b[sos + 5 + 2 * c] = c + 1
for at, marker, n in reversed(list(segments(b))):
    if marker == 0xEE:
        del b[at:at + n]
open(f"{d}/rgb-noids.jpg", "wb").write(bytes(b))
PY

# wrap NAME STREAM PHOTOMETRIC [img2dcm options]
wrap() {
    local name=$1 stream=$2 pi=$3
    shift 3
    img2dcm -q "$@" -k "PatientName=Colour^$name" "$work/$stream" "$out/$name.dcm"
    dcmodify -q -nb -m "(0028,0004)=$pi" "$out/$name.dcm"
}
wrap ycc420-pi-rgb ycc420.jpg RGB
wrap ycc444-adobe-pi-rgb ycc444-adobe.jpg RGB -ka
wrap rgb-ids-pi-ybr rgb.jpg YBR_FULL_422
wrap rgb-noids-pi-rgb rgb-noids.jpg RGB

# img2dcm drops JFIF segments; this one gets its segment back inside the DICOM file.
wrap ycc444-jfif-pi-rgb ycc444.jpg RGB
python3 - "$out/ycc444-jfif-pi-rgb.dcm" "$work/ycc444.jpg" <<'PY'
import sys
path, jpg = sys.argv[1:3]
b = bytearray(open(path, "rb").read())
src = open(jpg, "rb").read()
jfif = src[2:2 + 2 + int.from_bytes(src[4:6], "big")]
assert jfif[4:8] == b"JFIF" and len(jfif) % 2 == 0
soi = b.index(b"\xfe\xff\x00\xe0", b.index(b"\xe0\x7f\x10\x00") + 12)
soi = b.index(b"\xfe\xff\x00\xe0", soi + 8)  # the first fragment after the offset table
n = int.from_bytes(b[soi + 4:soi + 8], "little")
assert b[soi + 8:soi + 10] == b"\xff\xd8"
b[soi + 4:soi + 8] = (n + len(jfif)).to_bytes(4, "little")
b[soi + 10:soi + 10] = jfif
open(path, "wb").write(bytes(b))
PY

# The oracle: each stream as libjpeg decodes it from its own markers. The stream without ids
# has no marker to go by: it holds RGB, as its twin with ids says.
for pair in ycc420-pi-rgb:ycc420 ycc444-adobe-pi-rgb:ycc444-adobe rgb-ids-pi-ybr:rgb \
    rgb-noids-pi-rgb:rgb ycc444-jfif-pi-rgb:ycc444; do
    djpeg -ppm -outfile "$out/${pair%%:*}.ref.ppm" "$work/${pair#*:}.jpg"
done
ls -l "$out"
