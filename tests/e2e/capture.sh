#!/usr/bin/env bash
# Starts Ostrely on the simulated camera and button board (offscreen), presses the capture key
# with the board tool, and checks the picture, its thumbnail, and the board's command log.
set -euo pipefail
bin=$1
work=$(mktemp -d)
trap 'kill "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true; rm -rf "$work"' EXIT
mkdir -p "$work/appdata" "$work/config" "$work/run" "$work/tmp"
chmod 700 "$work/run"
export OSTRELY_COMMON_APPDATA=$work/appdata XDG_CONFIG_HOME=$work/config XDG_RUNTIME_DIR=$work/run
export TMPDIR=$work/tmp OSTRELY_CAMERA=sim OSTRELY_BOARD=sim QT_QPA_PLATFORM=offscreen
export OSTRELY_BOARD_LOG=$work/board.log
store=$work/tmp/ostrely-$(id -u)/KBCamera

"$bin/Ostrely" > "$work/ostrely.log" 2>&1 &
pid=$!

. "$(dirname "$0")/common.sh"
board() { "$bin/ostrely-board" "$@"; }
fail() { echo "FAIL: $*"; cat "$work/ostrely.log"; exit 1; }

wait_for 30 board list > /dev/null 2>&1 || fail "the simulated board never came up"
wait_for 30 sh -c "\"$bin/ostrely-board\" log | grep -q D" || fail "the board was not opened"
[ "$(board log | head -n 2 | tr '\n' ' ')" = "A D " ] || fail "opening commands: $(board log)"

board key 8
wait_for 30 test -f "$store/thumb/0000000001.bmp" || fail "no picture after the capture key"
test -f "$store/image/0000000001.jpg" || fail "no JPEG"
[ "$(head -c 2 "$store/image/0000000001.jpg" | od -An -tx1 | tr -d ' ')" = ffd8 ] || fail "not a JPEG"
ls "$store/image" | grep -q '\.bmp$' && fail "snapshot left behind"

board key 8
sleep 0.6
[ -f "$store/image/0000000002.jpg" ] && fail "the capture key took a picture while one was shown"
board key 7
board key 8
wait_for 30 test -f "$store/image/0000000002.jpg" || fail "no second picture after live video"
[ -f "$work/appdata/QvCamera.xml" ] || fail "no settings written"

# The end of the session: an orderly quit, not a kill.
kill -TERM "$pid"
wait_for 20 sh -c "! kill -0 $pid 2>/dev/null" || fail "still running after SIGTERM"
grep -q "Unhandled Exception" "$work/ostrely.log" && fail "crashed on the way out"
[ "$(tail -n 1 "$work/board.log")" = "0 E" ] || fail "the board was not closed: $(tr '\n' ' ' < "$work/board.log")"
exit 0
