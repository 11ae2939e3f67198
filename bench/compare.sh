#!/usr/bin/env bash
# Times dravik-tool against peer tools on the same generated input and prints the ratios
# (dravik time / peer time; below 1 means dravik is faster). Each time is the best of several
# runs, since the machine is shared. Usage: bench/compare.sh [BUILD_DIR]
set -euo pipefail
build=${1:-build}
tool="$build/dravik-tool"
bench="$build/bench/image_bench"
runs=${RUNS:-7}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Best of $runs runs of a command, in milliseconds: "WALL CPU" (CPU = user + system), each the
# minimum over the runs. On a shared machine the CPU time is the steadier figure.
best_ms() {
    local bw="" bc="" t
    for _ in $(seq "$runs"); do
        t=$( { TIMEFORMAT='%3R %3U %3S'; time "$@" >/dev/null 2>&1; } 2>&1 )
        read -r w u s <<<"$t"
        local wm cm
        wm=$(awk -v w="$w" 'BEGIN { printf "%d", w * 1000 }')
        cm=$(awk -v u="$u" -v s="$s" 'BEGIN { printf "%d", (u + s) * 1000 }')
        if [ -z "$bw" ] || [ "$wm" -lt "$bw" ]; then bw=$wm; fi
        if [ -z "$bc" ] || [ "$cm" -lt "$bc" ]; then bc=$cm; fi
    done
    echo "$bw $bc"
}

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.2f", a / b; else print "n/a" }'; }

# --- Image: reading a 12-megapixel JPEG at full size, both writing PPM into /dev/null.
if [ -x "$tool" ] && [ -x "$bench" ]; then
    "$bench" --make-jpeg "$work/photo.jpg" 4000 3000
    ln -s /dev/null "$work/null.ppm"
    if command -v djpeg >/dev/null; then
        read -r ow oc <<<"$(best_ms "$tool" convert "$work/photo.jpg" "$work/null.ppm")"
        read -r pw pc <<<"$(best_ms djpeg -ppm -outfile /dev/null "$work/photo.jpg")"
        echo "jpeg read 12 MP to PPM: wall dravik-tool ${ow} ms / djpeg ${pw} ms = $(ratio "$ow" "$pw"); CPU ${oc} ms / ${pc} ms = $(ratio "$oc" "$pc")"
    else
        echo "jpeg read: djpeg not installed (Debian package libjpeg-turbo-progs), skipped"
    fi
    # Thumbnail: the preview-edge read against a full read plus resampling, in one benchmark run.
    # Wall time is what a user waits; CPU time counts both threads of a split preview. The
    # baseline photo is 4:2:0, whose preview decodes the chroma's AC terms; the target is 4x wall.
    "$bench" --benchmark_filter='Thumb96' --benchmark_min_time=1 2>/dev/null |
        awk '/^BM_Thumb96/ { sub(/\/.*/, "", $1); w[$1] = $2; c[$1] = $4 }
             function line(kind, f, p, target) {
                 if (w[p] > 0)
                     printf "96-px thumbnail, %s: full read + resample / preview edge = %.1fx wall (%s / %s ms), %.1fx CPU (%s / %s ms)%s\n",
                         kind, w[f] / w[p], w[f], w[p], c[f] / c[p], c[f], c[p],
                         target ? (w[f] / w[p] >= target ? "; target 4x wall met" : "; target 4x wall MISSED") : "";
             }
             END {
                 line("baseline 4:2:0", "BM_Thumb96FullThenResample", "BM_Thumb96PreviewEdge", 4);
                 line("baseline 4:2:0, preview on one thread", "BM_Thumb96FullThenResample",
                      "BM_Thumb96PreviewEdgeOneThread", 0);
                 line("progressive", "BM_Thumb96FullThenResampleProgressive", "BM_Thumb96PreviewEdgeProgressive", 0);
             }'
    # The same thumbnail through dravik-tool (album add: preview, resample, JPEG encode, append)
    # against libjpeg's own 1/8 decoding, which gives the same pixels.
    if command -v djpeg >/dev/null; then
        read -r ow oc <<<"$(best_ms bash -c 'rm -f "$1" && "$2" album add "$1" "$3"' _ \
            "$work/one.alb" "$tool" "$work/photo.jpg")"
        read -r pw pc <<<"$(best_ms djpeg -scale 1/8 -ppm -outfile /dev/null "$work/photo.jpg")"
        echo "thumbnail of a 12 MP 4:2:0 photo: wall dravik-tool album add ${ow} ms / djpeg -scale 1/8 ${pw} ms = $(ratio "$ow" "$pw"); CPU ${oc} ms / ${pc} ms = $(ratio "$oc" "$pc")"
    fi
else
    echo "image: $tool or $bench not built, skipped"
fi

# --- Album: 24 photos of 12 megapixels into a new album against vipsthumbnail writing the same
# 24 thumbnails of 96 pixels.
if [ -x "$tool" ] && [ -x "$bench" ]; then
    if command -v vipsthumbnail >/dev/null; then
        mkdir -p "$work/photos" "$work/vips"
        [ -f "$work/photo.jpg" ] || "$bench" --make-jpeg "$work/photo.jpg" 4000 3000
        for i in $(seq -w 1 24); do cp "$work/photo.jpg" "$work/photos/p$i.jpg"; done
        read -r ow oc <<<"$(best_ms bash -c 'rm -f "$1" && "$2" album add "$1" "$3" --filter 1' _ \
            "$work/bench.alb" "$tool" "$work/photos")"
        read -r pw pc <<<"$(best_ms bash -c 'vipsthumbnail -s 96 -o "$1/%s.jpg" "$2"/*.jpg' _ \
            "$work/vips" "$work/photos")"
        echo "album add 24 x 12 MP: wall dravik-tool ${ow} ms / vipsthumbnail ${pw} ms = $(ratio "$ow" "$pw"); CPU ${oc} ms / ${pc} ms = $(ratio "$oc" "$pc")"
    else
        echo "album: vipsthumbnail not installed (Debian package libvips-tools), skipped"
    fi
else
    echo "album: $tool or $bench not built, skipped"
fi

# --- Lossless JPEG: the DICOM series against dcmdjpeg.
"$(dirname "$0")/compare_ljpeg.sh" "$(realpath "$build")"

# --- DICOM pixel stage: the same kind of series through dravik-tool against dcmdjpeg.
"$(dirname "$0")/compare_dicom.sh" "$(realpath "$build")"

# --- JPEG 2000 and JPEG-LS: the same kind of series against opj_decompress, gdcmconv, dcmdjpls.
"$(dirname "$0")/compare_codecs.sh" "$(realpath "$build")"
