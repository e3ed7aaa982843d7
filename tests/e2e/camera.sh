#!/usr/bin/env bash
# Ostrely on its real V4L2 backend over a camera faked at the system-call level (the fakeuvc
# library preloaded): a picture, the camera unplugged while it streams (keys then take none and
# nothing crashes), and the camera plugged in again with its node and its rights late.
set -euo pipefail
bin=$1
fake=$2
cameras=$3
work=$(mktemp -d)
pid=""
trap '[ -n "$pid" ] && kill "$pid" 2>/dev/null; wait 2>/dev/null || true; rm -rf "$work"' EXIT
mkdir -p "$work/appdata" "$work/config" "$work/run" "$work/tmp"
chmod 700 "$work/run"
export OSTRELY_COMMON_APPDATA=$work/appdata XDG_CONFIG_HOME=$work/config XDG_RUNTIME_DIR=$work/run
export TMPDIR=$work/tmp OSTRELY_BOARD=sim QT_QPA_PLATFORM=offscreen
export OSTRELY_BOARD_LOG=$work/board.log
unset OSTRELY_CAMERA
store=$work/tmp/ostrely-$(id -u)/KBCamera

# The same camera twice: plugged at start, then back on a new node after its unplug, its node
# 500 ms after the USB device and readable 200 ms later still.
cat > "$work/cameras.txt" << SCRIPT
camera /dev/video0 $cameras/doccam-0c45-9102.desc
camera /dev/video2 $cameras/doccam-0c45-9102.desc usb=1-1
at 12000 unplug /dev/video0
at 16000 usb-add /dev/video2
at 16500 node-add /dev/video2
at 16700 rights /dev/video2
SCRIPT

. "$(dirname "$0")/common.sh"
board() { "$bin/ostrely-board" "$@"; }
fail() { echo "FAIL: $*"; cat "$work/ostrely.log"; exit 1; }

FAKEUVC_SCRIPT=$work/cameras.txt LD_PRELOAD=$fake "$bin/Ostrely" > "$work/ostrely.log" 2>&1 &
pid=$!
started=$(date +%s%N)
since() { echo $((($(date +%s%N) - started) / 1000000)); }
until_ms() { while [ "$(since)" -lt "$1" ]; do sleep 0.1; done; }

wait_for 30 board list > /dev/null 2>&1 || fail "the simulated board never came up"
wait_for 30 sh -c "\"$bin/ostrely-board\" log | grep -q D" || fail "the board was not opened"
[ "$(since)" -lt 10000 ] || { echo "SKIP: start-up took $(since) ms, too slow for the timeline"; exit 0; }
board key 8
wait_for 10 test -f "$store/image/0000000001.jpg" || fail "no picture from the fake camera"

until_ms 12500
board key 7
board key 8
sleep 2
kill -0 "$pid" || fail "the program ended when the camera went"
[ -f "$store/image/0000000002.jpg" ] && fail "a picture from an unplugged camera"

until_ms 18500
board key 7
board key 8
wait_for 10 test -f "$store/image/0000000002.jpg" || fail "the camera plugged in again was not opened"
grep -q "Permission denied" "$work/ostrely.log" || echo "note: the node's rights were there at the first try"

kill -TERM "$pid"
wait_for 20 sh -c "! kill -0 $pid 2>/dev/null" || fail "still running after SIGTERM"
pid=""
grep -q "Unhandled Exception" "$work/ostrely.log" && fail "crashed"
exit 0
