#!/bin/sh
# Runs the directory preview benchmark on a private Xvfb. Run from the repository with a build in
# ./build (or $BUILD: a Release build gives the figures worth reporting); an argument sets the
# number of photos (200) and a second the rounds (3).
set -e
n=90
while [ -e /tmp/.X$n-lock ]; do n=$((n + 1)); done
Xvfb :$n -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb' EXIT
i=0
until xdpyinfo -display :$n >/dev/null 2>&1; do
    i=$((i + 1))
    [ $i -lt 100 ] || { echo "Xvfb did not start" >&2; exit 1; }
    sleep 0.1
done
DISPLAY=:$n "${BUILD:-build}"/bench/dir_preview_bench "$@"
