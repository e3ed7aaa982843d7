#!/bin/bash
# Draws on the overlay with the real pointer under Xvfb and keeps screenshots:
#   xvfb-run -s "-screen 0 1366x728x24" tests/shell/overlay-shots.sh build/tests/overlay_shot OUTDIR
set -euo pipefail
shot=$1
out=$2
mkdir -p "$out"
coords=$(mktemp)
QT_QPA_PLATFORM=xcb "$shot" >"$coords" &
pid=$!
trap 'kill $pid 2>/dev/null || true; rm -f "$coords"' EXIT
for _ in $(seq 50); do grep -q eraser "$coords" && break; sleep 0.1; done
read -r _ ex ey < <(grep eraser "$coords")
read -r _ bx by < <(grep blue "$coords")

stroke() {  # x0 y0 x1 y1 ...: press, move through the points, release
    xdotool mousemove "$1" "$2" mousedown 1
    shift 2
    while [ $# -gt 0 ]; do xdotool mousemove "$1" "$2"; sleep 0.02; shift 2; done
    xdotool mouseup 1
}
stroke 300 400 400 350 500 420 600 360 700 430 800 380
sleep 0.3
import -window root "$out/overlay-red-stroke.png"
xdotool mousemove "$bx" "$by" click 1
stroke 300 550 900 550
xdotool mousemove 1000 600 click 1
sleep 0.3
import -window root "$out/overlay-blue-and-dot.png"
xdotool mousemove "$ex" "$ey" click 1
stroke 250 390 900 390 900 550 600 550
sleep 0.3
import -window root "$out/overlay-erased.png"
