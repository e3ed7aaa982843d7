#!/usr/bin/env bash
# The main window under Xvfb, driven as a teacher would: the board tool for keys, xdotool for the
# pointer. Live view, stored pictures, the pen and the eraser, -Start, two cameras side by side,
# and the exit command from the menu.
set -euo pipefail
bin=$1
shots=${2:-}
command -v Xvfb > /dev/null && command -v xdotool > /dev/null || { echo "SKIP: no Xvfb/xdotool"; exit 0; }
work=$(mktemp -d)
pid=""
xpid=""
cleanup() {
    [ -n "$pid" ] && kill "$pid" 2> /dev/null || true
    [ -n "$xpid" ] && kill "$xpid" 2> /dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
. "$(dirname "$0")/common.sh"
start_xvfb

fail() { echo "FAIL: $*"; cat "$work"/ostrely*.log 2> /dev/null; exit 1; }
board() { "$bin/ostrely-board" "$@"; }
shot() { shot_as shell "$1"; }
differ() { [ "$(compare -metric AE "$work/$1.png" "$work/$2.png" null: 2>&1 || true)" != 0 ]; }

start() {  # start LOG [args...]: a fresh program on fresh folders
    local log=$1; shift
    rm -rf "$work/appdata" "$work/config" "$work/run" "$work/tmp"
    mkdir -p "$work/appdata" "$work/config" "$work/run" "$work/tmp"
    chmod 700 "$work/run"
    export OSTRELY_COMMON_APPDATA=$work/appdata XDG_CONFIG_HOME=$work/config XDG_RUNTIME_DIR=$work/run
    export TMPDIR=$work/tmp OSTRELY_BOARD=sim OSTRELY_BOARD_LOG=$work/board.log
    rm -f "$work/board.log"
    launch "$log" "$@"
}
store=$work/tmp/ostrely-$(id -u)/KBCamera

# One camera: live video moves; key 8 shows the stored picture, which stands still.
export OSTRELY_CAMERA=sim
start ostrely.log
shot live1; sleep 0.7; shot live2
differ live1 live2 || fail "the live view does not move"
board key 8
wait_for 30 test -f "$store/image/0000000001.jpg" || fail "key 8 took no picture"
sleep 1; shot picture1; sleep 0.7; shot picture1b
differ picture1 picture1b && fail "a stored picture on screen changes"
differ live2 picture1 || fail "the stored picture is not shown"
board key 7
sleep 1; shot live3; sleep 0.7; shot live4
differ live3 live4 || fail "key 7 did not return to live video"
board key 2
wait_for 30 test -f "$store/image/0000000002.jpg" || fail "key 2 took no picture"
sleep 1; shot picture2
board key 3
sleep 1; shot back1
differ back1 picture1 && differ back1 picture2 || true
differ back1 picture1 && fail "key 3 did not show the previous picture"

# The keyboard as a second board: Space takes and shows a picture, Escape goes back to live video.
board key 7
sleep 0.6
xdotool key space
wait_for 30 test -f "$store/image/0000000003.jpg" || fail "Space took no picture"
sleep 1; shot keyboard1; sleep 0.7; shot keyboard2
differ keyboard1 keyboard2 && fail "Space did not show the picture it took"
xdotool key Escape
sleep 1; shot keyboard3; sleep 0.7; shot keyboard4
differ keyboard3 keyboard4 || fail "Escape did not return to live video"

# The pen over live video: open the panel (double click on the handle), drawing mode, a stroke.
board key 7
sleep 0.6
step=70   # smaller side 1080 / 15, cut to tens
hx=$((1920 * 8 / 10 + step / 2)); hy=$((1080 * 8 / 10 + step / 2))
xdotool mousemove $hx $hy click --repeat 2 --delay 80 1
sleep 0.4
top=$((1080 - step * 52 / 10))
xdotool mousemove $hx $((top + step * 42 / 10 + step / 2)) click 1   # drawing mode, black pen
sleep 0.4
y=800
xdotool mousemove 700 $y mousedown 1
for x in $(seq 700 20 1000); do xdotool mousemove $x $y; done
xdotool mouseup 1
sleep 0.4; shot stroke
[ "$(pixel stroke 850 $y)" = "srgb(0,0,0)" ] || fail "no stroke over the live picture: $(pixel stroke 850 $y)"
top=$((1080 - step * 72 / 10))
xdotool mousemove $((hx + step)) $((top + step * 52 / 10 + step / 2)) click 1   # the eraser
sleep 0.4
xdotool mousemove 700 $y mousedown 1
for x in $(seq 700 20 1000); do xdotool mousemove $x $y; done
xdotool mouseup 1
sleep 0.4; shot erased
[ "$(pixel erased 850 $y)" != "srgb(0,0,0)" ] || fail "the eraser left the stroke"

# The exit command from the menu (on the panel's handle: Xvfb has no tray): close, no export.
xdotool mousemove $hx $((top + step / 2)) click 3
sleep 0.5
xdotool key Up Return
sleep 0.5
xdotool key Return      # close? OK
sleep 0.5
xdotool key Escape      # export the pictures? Cancel
wait_for 20 sh -c "! kill -0 $pid 2>/dev/null" || fail "the exit command did not end the program"
status=0; wait "$pid" || status=$?
pid=""
[ "$status" = 0 ] || fail "exit code $status"
[ "$(tail -n 1 "$work/board.log")" = "0 E" ] || fail "the board was not closed"

# -Start without a tray shows the view instead of hiding into nothing, after the grace period
# in which a late tray could still take the icon.
start ostrely-start.log -Start
sleep 10
shot start1; sleep 0.7; shot start2
differ start1 start2 || fail "-Start without a tray shows no live view"
stop

# Two cameras: dual-screen from the menu puts both side by side.
export OSTRELY_CAMERA=sim2
start ostrely-dual.log
xdotool mousemove $hx $hy click 3
sleep 0.5
xdotool key Up Up Up Up Return   # dual-screen mode
sleep 1; shot dual
left=$(convert "$work/dual.png" -crop 960x1080+0+0 -format '%[fx:mean]' info:)
right=$(convert "$work/dual.png" -crop 960x1080+960+0 -format '%[fx:mean]' info:)
awk -v l="$left" -v r="$right" 'BEGIN { exit !(l > 0.2 && r > 0.2) }' || fail "not side by side: $left $right"
stop
exit 0
