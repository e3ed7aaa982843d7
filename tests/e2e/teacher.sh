#!/usr/bin/env bash
# A lesson's end under Xvfb, as a teacher does it: two pictures from the board, the share key,
# the QR code on screen scanned and its link downloaded; then the video settings and About from
# the menu on the panel's handle (Xvfb has no tray).
# teacher.sh BIN_DIR [SHOTS_DIR]
set -euo pipefail
bin=$1
shots=${2:-}
command -v Xvfb > /dev/null && command -v xdotool > /dev/null || { echo "SKIP: no Xvfb/xdotool"; exit 0; }
work=$(mktemp -d)
pid="" xpid="" cloud_pid=""
cleanup() {
    for p in "$pid" "$cloud_pid" "$xpid"; do [ -n "$p" ] && kill "$p" 2> /dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; cat "$work"/*.log 2> /dev/null; exit 1; }
. "$(dirname "$0")/common.sh"
board() { "$bin/ostrely-board" "$@"; }
shot() { shot_as teacher "$1"; }
visible() { xdotool search --onlyvisible --name "^$1\$" > /dev/null 2>&1; }

start_xvfb
unset QT_QPA_PLATFORM

"$bin/ostrely-cloud" > "$work/cloud.log" 2>&1 &
cloud_pid=$!
wait_for 10 grep -q listening "$work/cloud.log" || fail "ostrely-cloud did not start"
port=$(sed -n 's/.*listening on 127\.0\.0\.1:\([0-9]*\).*/\1/p' "$work/cloud.log")
export OSTRELY_CLOUD_HOST=localhost:$port OSTRELY_STORAGE_HOST=http://127.0.0.1:$port

mkdir -p "$work/appdata" "$work/config" "$work/run" "$work/tmp"
chmod 700 "$work/run"
export OSTRELY_COMMON_APPDATA=$work/appdata XDG_CONFIG_HOME=$work/config XDG_RUNTIME_DIR=$work/run
export TMPDIR=$work/tmp OSTRELY_CAMERA=sim OSTRELY_BOARD=sim OSTRELY_BOARD_LOG=$work/board.log
store=$work/tmp/ostrely-$(id -u)/KBCamera
"$bin/Ostrely" > "$work/ostrely.log" 2>&1 &
pid=$!
wait_for 30 sh -c "grep -q '0 D' '$work/board.log' 2>/dev/null" || fail "the board was not opened"
sleep 1

board key 8
wait_for 30 test -f "$store/thumb/0000000001.bmp" || fail "no first picture"
board key 7
sleep 0.6
board key 8
wait_for 30 test -f "$store/thumb/0000000002.bmp" || fail "no second picture"

# The share key: the QR code view comes up over the picture once the upload is done.
board key 6
link=$(qr_link teacher 40 1)
[ -n "$link" ] || fail "no QR code on the screen"
curl -sf -o "$work/got.pdf" "$link" || fail "the link $link does not download"
pdf_ok "$work/got.pdf" 2
press_in QRCode Escape
wait_for 5 sh -c "! xdotool search --onlyvisible --name '^QRCode\$' > /dev/null 2>&1" ||
    fail "Esc did not hide the QR code view"

# The menu on the handle: "Adjust parameters" opens the video settings.
open_menu
xdotool key Down Down Down Return
wait_for 10 visible "Video properties" || fail "the video settings did not open from the menu"
shot properties
press_in "Video properties" Escape
wait_for 5 sh -c "! xdotool search --onlyvisible --name '^Video properties\$' > /dev/null 2>&1" ||
    fail "Esc did not close the video settings"

# ... and "About" the About box, which closes and opens again.
for round in 1 2; do
    xdotool mousemove $handle_x $handle_y click 3
    sleep 0.5
    xdotool key Up Up Return
    wait_for 10 visible "About Demo" || fail "About did not open (round $round)"
    press_in "About Demo" Return
    wait_for 5 sh -c "! xdotool search --onlyvisible --name '^About Demo\$' > /dev/null 2>&1" ||
        fail "About did not close (round $round)"
done

kill -TERM "$pid"
wait_for 20 sh -c "! kill -0 $pid 2>/dev/null" || fail "still running after SIGTERM"
pid=""
grep -q "Unhandled Exception" "$work/ostrely.log" && fail "crashed"
echo "teacher: shared $link (2 pages), video settings and About from the menu"
