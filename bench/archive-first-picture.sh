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
. bench/archive-server.sh
archive_bench_needs archive-first-picture
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

archive_bench_serve

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
