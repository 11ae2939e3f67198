#!/usr/bin/env bash
# JPEG 2000 and JPEG-LS pixel data against their peers on a 16-frame 512 x 512 16-bit CT-like
# series (bench/make-ct-series.sh, recompressed with gdcmconv --j2k and dcmcjpls):
# `dravik-tool convert --raw --all-frames` against opj_decompress on the same 16 codestreams
# (one process, -ImgDir, the decoder on all cores; it writes PGMs beside them) and
# gdcmconv --raw (JPEG 2000), and against dcmdjpls (JPEG-LS). Whole processes; best of $RUNS
# wall times taken in turns, peak RSS of the best run. Usage: bench/compare_codecs.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
tool=$build/dravik-tool
runs=${RUNS:-3}
for t in dcmcjpeg dcmdjpls dcmcjpls gdcmconv opj_decompress dump2dcm python3 /usr/bin/python3; do
    command -v $t >/dev/null || { echo "codecs: $t not installed, skipped"; exit 0; }
done
[ -x /usr/bin/time ] || { echo "codecs: /usr/bin/time not installed, skipped"; exit 0; }
[ -x "$tool" ] || { echo "codecs: $tool not built"; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
frames=16 w=512 h=512

bench/make-ct-series.sh "$work/ll.dcm" $frames $w $h
gdcmconv --raw "$work/ll.dcm" "$work/native.dcm"
gdcmconv --j2k "$work/native.dcm" "$work/j2k.dcm"
dcmcjpls -q +el "$work/native.dcm" "$work/jls.dcm"
mkdir -p "$work/cs"
/usr/bin/python3 - "$work/j2k.dcm" "$work/cs" <<'PY'
import sys, pydicom
from pydicom.encaps import generate_pixel_data_frame
ds = pydicom.dcmread(sys.argv[1])
for i, f in enumerate(generate_pixel_data_frame(ds.PixelData, int(ds.NumberOfFrames))):
    open(f"{sys.argv[2]}/f{i:02d}.j2k", "wb").write(f)
PY

# One run: "WALL_MS RSS_KB CPU_MS" (CPU = user + system, all threads).
once() {
    /usr/bin/time -f "%e %M %U %S" -o "$work/time" "$@" >/dev/null 2>&1
    local t r u s
    read -r t r u s <"$work/time"
    echo "$(awk -v t="$t" 'BEGIN { printf "%d", t * 1000 }') $r $(awk -v u="$u" -v s="$s" 'BEGIN { printf "%d", (u + s) * 1000 }')"
}
# best NAME COMMAND...: keeps the fastest run of each command and that run's RSS in T, R; the
# smallest CPU time in C (the steadier figure on a shared machine).
declare -A T R C
best() {
    local name=$1 t r c
    shift
    read -r t r c <<<"$(once "$@")"
    if [ -z "${T[$name]:-}" ] || [ "$t" -lt "${T[$name]}" ]; then T[$name]=$t R[$name]=$r; fi
    if [ -z "${C[$name]:-}" ] || [ "$c" -lt "${C[$name]}" ]; then C[$name]=$c; fi
}
for _ in $(seq "$runs"); do
    best opj opj_decompress -ImgDir "$work/cs" -OutFor PGM -threads ALL_CPUS
    best gdcm gdcmconv --raw "$work/j2k.dcm" "$work/out.dcm"
    best j2k "$tool" convert "$work/j2k.dcm" "$work/out.pgm" --raw --all-frames
    best dcmdjpls dcmdjpls "$work/jls.dcm" "$work/out.dcm"
    best jls "$tool" convert "$work/jls.dcm" "$work/out.pgm" --raw --all-frames
done
echo "codec series: $frames frames ${w}x$h 16-bit, $(nproc) cores, best of $runs, load $(cut -d' ' -f1 /proc/loadavg)"
for k in opj gdcm j2k dcmdjpls jls; do
    printf "  %-9s %6s ms wall %6s ms CPU  peak RSS %7s KB\n" "$k" "${T[$k]}" "${C[$k]}" "${R[$k]}"
done
awk -v o="${T[opj]}" -v g="${T[gdcm]}" -v d="${T[j2k]}" -v ro="${R[opj]}" -v rg="${R[gdcm]}" \
    -v rd="${R[j2k]}" 'BEGIN {
    f = o < g ? o : g; rf = o < g ? ro : rg
    printf "JPEG 2000: dravik-tool / faster peer (%s) = %.2fx wall (target <= 1.0); RSS %.2fx (target <= 1.0)\n",
        o < g ? "opj_decompress" : "gdcmconv", d / f, rd / rf }'
awk -v p="${T[dcmdjpls]}" -v d="${T[jls]}" -v rp="${R[dcmdjpls]}" -v rd="${R[jls]}" 'BEGIN {
    printf "JPEG-LS: dravik-tool / dcmdjpls = %.2fx wall (target <= 0.5); RSS %.2fx (target <= 1.0)\n",
        d / p, rd / rp }'
