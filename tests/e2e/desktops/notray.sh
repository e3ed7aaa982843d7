#!/usr/bin/env bash
# A bare X server has no tray: whatever hides the view leaves a button that brings it back; a
# hidden start waits for a tray, then shows the view; a second start brings a covered view to
# the front; and when the X server goes away the program closes in order.
set -euo pipefail
bin=$1
shots=${2:-}
name=notray
. "$(dirname "$0")/desk.sh"
command -v xmessage > /dev/null || { echo "SKIP: no xmessage"; exit 0; }

xserver
folders
launch ostrely.log
main=$(main_window | cut -d' ' -f1)
[ -n "$main" ] || fail "no main window"

# Key 9 hides the view to take a picture: the restore button is the way back.
board key 9
wait_for 10 hidden || fail "key 9 did not hide the view"
wait_for 10 sh -c "[ -n \"\$(xdotool search --onlyvisible --pid $pid 2>/dev/null)\" ]" ||
    fail "nothing left on screen"
read -r rid rx ry _ _ <<< "$(restore_button)"
[ -n "$rid" ] || fail "no restore button: $(windows)"
[ "$rx $ry" = "1864 1024" ] || fail "restore button at $rx $ry, not in the corner"
shot restore-button
xdotool mousemove $((rx + 24)) $((ry + 24)) click 1
wait_for 10 shown || fail "the restore button did not bring the view back"
[ -z "$(restore_button)" ] || fail "the restore button stays"

# A second start over a covered view raises it.
xmessage -geometry 1920x1080+0+0 "another program in front" &
helpers+=($!)
wait_for 10 sh -c "xdotool search --onlyvisible --name xmessage > /dev/null" || fail "no cover"
cover=$(xdotool search --onlyvisible --name xmessage | head -n 1)
above "$cover" "$main" || fail "the cover is not in front to begin with"
"$bin/Ostrely" > "$work/second.log" 2>&1 &   # it says why it ends in a box
helpers+=($!)
wait_for 10 above "$main" "$cover" || fail "a second start left the view covered"
shot second-start
kill "${helpers[@]}"
helpers=()
stop

# -Start without a tray: hidden for the grace period, then the view.
folders
launch ostrely-start.log -Start
hidden || fail "-Start showed the view before the grace period ended"
wait_for 15 shown || fail "-Start without a tray never showed the view"

# The X server goes away under the running program.
kill -KILL "$xpid"
xpid=""
wait_for 20 sh -c "! kill -0 $pid 2>/dev/null" || fail "the program outlived its X server"
status=0; wait "$pid" || status=$?
pid=""
[ "$status" = 0 ] || fail "exit status $status when the X server went away"
[ "$(tail -n 1 "$work/board.log")" = "0 E" ] || fail "the board was not closed: $(tail -n 2 "$work/board.log")"
[ ! -e "$OSTRELY_COMMON_APPDATA/Kestrane/test.dmp" ] || fail "a crash report"
exit 0
