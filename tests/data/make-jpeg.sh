#!/usr/bin/env bash
# Makes the JPEG test vectors and their reference decodings with libjpeg-turbo's command-line
# tools (cjpeg, djpeg: Debian package libjpeg-turbo-progs), python3 for the source pictures and
# byte surgery, and cc against libjpeg for the CMYK files. The outputs are committed, so the
# tests need none of these tools.
set -euo pipefail
cd "$(dirname "$0")"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Source pictures: gradients with hard edges, odd sizes.
python3 - "$work" <<'PY'
import sys
d = sys.argv[1]
def ppm(name, w, h):
    px = bytearray()
    for y in range(h):
        for x in range(w):
            r = (x * 255) // max(w - 1, 1)
            g = (y * 255) // max(h - 1, 1)
            b = 255 if (x // 7 + y // 5) % 2 else 40
            px += bytes((r, g, b))
    open(f"{d}/{name}", "wb").write(b"P6\n%d %d\n255\n" % (w, h) + px)
ppm("col45.ppm", 45, 31)
ppm("col160.ppm", 160, 120)
PY

cjpeg -quality 85 -outfile col-baseline.jpg "$work/col45.ppm"
cjpeg -quality 85 -progressive -outfile col-progressive.jpg "$work/col45.ppm"
cjpeg -quality 90 -grayscale -outfile grey-37x23.jpg <(python3 -c '
import sys
w, h = 37, 23
px = bytes(((x * 7 + y * 11) % 256) for y in range(h) for x in range(w))
sys.stdout.buffer.write(b"P5\n%d %d\n255\n" % (w, h) + px)')
cjpeg -quality 80 -outfile col-160x120.jpg "$work/col160.ppm"
cjpeg -quality 80 -grayscale -progressive -outfile grey-prog-160x120.jpg "$work/col160.ppm"

# Exif first: the JFIF segment replaced by a minimal Exif APP1, as cameras write.
python3 - <<'PY'
src = open("col-baseline.jpg", "rb").read()
assert src[2:4] == b"\xff\xe0"
app0_len = int.from_bytes(src[4:6], "big")
rest = src[4 + app0_len:]
tiff = b"II*\x00\x08\x00\x00\x00\x00\x00"
body = b"Exif\x00\x00" + tiff
app1 = b"\xff\xe1" + (len(body) + 2).to_bytes(2, "big") + body
open("col-exif.jpg", "wb").write(b"\xff\xd8" + app1 + rest)
PY

# CMYK and YCCK, written by libjpeg with its Adobe segment (inverted values, as Adobe does).
cat > "$work/cmyk.c" <<'C'
#include <stdio.h>
#include <stdlib.h>
#include <jpeglib.h>
int main(int argc, char **argv) {
    int w = 29, h = 17;
    FILE *f = fopen(argv[1], "wb");
    struct jpeg_compress_struct c;
    struct jpeg_error_mgr e;
    c.err = jpeg_std_error(&e);
    jpeg_create_compress(&c);
    jpeg_stdio_dest(&c, f);
    c.image_width = w;
    c.image_height = h;
    c.input_components = 4;
    c.in_color_space = JCS_CMYK;
    jpeg_set_defaults(&c);
    jpeg_set_colorspace(&c, atoi(argv[2]) ? JCS_YCCK : JCS_CMYK);
    jpeg_set_quality(&c, 90, TRUE);
    jpeg_start_compress(&c, TRUE);
    unsigned char row[29 * 4];
    while (c.next_scanline < c.image_height) {
        int y = c.next_scanline;
        for (int x = 0; x < w; x++) {
            row[4 * x] = x * 8;
            row[4 * x + 1] = y * 15;
            row[4 * x + 2] = (x + y) * 5;
            row[4 * x + 3] = 255 - x * 4;
        }
        JSAMPROW p = row;
        jpeg_write_scanlines(&c, &p, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    fclose(f);
    return 0;
}
C
cc -O2 -o "$work/cmyk" "$work/cmyk.c" -ljpeg
"$work/cmyk" cmyk-adobe.jpg 0
"$work/cmyk" ycck-adobe.jpg 1

# A truncated file (the library warns and fills the rest) and a damaged one whose header is
# intact but whose scan is noise.
head -c $(( $(stat -c %s col-160x120.jpg) * 6 / 10 )) col-160x120.jpg > truncated.jpg
python3 - <<'PY'
src = bytearray(open("col-baseline.jpg", "rb").read())
sos = src.index(b"\xff\xda")
hdr = src[:sos]
open("damaged.jpg", "wb").write(bytes(hdr[:200]) + bytes((i * 37) % 251 for i in range(300)))
open("garbage.bin", "wb").write(bytes((i * 91 + 7) % 256 for i in range(500)))
PY

# Reference decodings, full size, and the 1/4 preview decode.
for f in col-baseline col-progressive col-exif grey-37x23 cmyk-adobe ycck-adobe col-160x120; do
    djpeg -pnm -outfile "$f.ref.pnm" "$f.jpg"
done
djpeg -pnm -scale 1/4 -dct fast -nosmooth -outfile col-160x120.q4.ref.pnm col-160x120.jpg
djpeg -pnm -scale 1/8 -dct fast -nosmooth -outfile col-progressive.q8.ref.pnm col-progressive.jpg
djpeg -pnm -scale 1/8 -dct fast -nosmooth -outfile grey-prog-160x120.q8.ref.pnm grey-prog-160x120.jpg
djpeg -pnm -outfile truncated.ref.pnm truncated.jpg 2>/dev/null || true
# The 1/8-scale preview of baseline files: a noisy picture of odd size (partial MCUs) in the
# samplings and codings that decoder takes, referenced by the library's own 1/8 decoding, and
# damaged variants that it must leave to the library.
python3 - "$work" <<'PY'
import sys
w, h, seed = 203, 141, 7
px = bytearray()
for y in range(h):
    for x in range(w):
        seed = (seed * 1103515245 + 12345) % 2**31
        n = (seed >> 16) % 41 - 20
        px += bytes(max(0, min(255, v + n)) for v in
                    ((x * 255) // w, (y * 255) // h, ((x * 3 + y) % 300) // 2))
open(f"{sys.argv[1]}/noise.ppm", "wb").write(b"P6\n%d %d\n255\n" % (w, h) + px)
PY
cjpeg -quality 90 -grayscale -outfile dc-grey.jpg "$work/noise.ppm"
cjpeg -quality 90 -sample 1x1 -restart 3B -outfile dc-444-rst.jpg "$work/noise.ppm"
cjpeg -quality 85 -sample 2x1 -optimize -outfile dc-422.jpg "$work/noise.ppm"
cjpeg -quality 85 -sample 4x1 -outfile dc-411.jpg "$work/noise.ppm"
cjpeg -quality 90 -outfile dc-420.jpg "$work/noise.ppm"
cjpeg -quality 90 -restart 1 -outfile "$work/rst.jpg" "$work/noise.ppm"
head -c $(( $(stat -c %s dc-420.jpg) * 7 / 10 )) dc-420.jpg > dc-420-trunc.jpg
python3 - "$work/rst.jpg" <<'PY'
import sys
b = bytearray(open(sys.argv[1], "rb").read())
sos = b.index(b"\xff\xda")
rst = [i for i in range(sos, len(b) - 1) if b[i] == 0xFF and 0xD0 <= b[i + 1] <= 0xD7]
short = bytes(b[:rst[4] - 6] + b[rst[4]:])  # the fifth interval six bytes short
b[rst[2] + 1] = 0xD6  # the third restart marker numbered out of turn
open("dc-420-badrst.jpg", "wb").write(bytes(b))
open("dc-420-shortrst.jpg", "wb").write(short)
PY
# A burst of set bits in the last quarter of a scan: no code of the tables, which the library
# reports and steps over.
python3 - <<'PY'
b = bytearray(open("dc-grey.jpg", "rb").read())
sos = b.index(b"\xff\xda")
at = sos + (len(b) - sos) * 3 // 4
b[at:at + 16] = b"\xff\x00" * 8
open("dc-corrupt.jpg", "wb").write(bytes(b))
PY
for f in dc-grey dc-444-rst dc-422 dc-411 dc-420; do
    djpeg -pnm -scale 1/8 -outfile "$f.q8.ref.pnm" "$f.jpg"
done
for f in dc-420-trunc dc-420-badrst dc-420-shortrst dc-corrupt; do
    djpeg -pnm -scale 1/8 -dct fast -nosmooth -outfile "$f.q8.ref.pnm" "$f.jpg" 2>/dev/null || true
done
echo "made $(ls *.jpg | wc -l) JPEG vectors"
