#!/usr/bin/env bash
# Stacking and focus as the window manager keeps them, read from the X server: under xfwm4,
# metacity and openbox the picture list opens above the main window and stays there after the
# menu, is the main window's transient (no taskbar entry of its own to minimise the group), and
# the video settings opened from the menu get the focus.
set -euo pipefail
bin=$1
shots=${2:-}
name=stacking
. "$(dirname "$0")/desk.sh"

stacking() { xprop -root _NET_CLIENT_LIST_STACKING | sed 's/.*# //; s/,//g'; }
active() { xprop -root _NET_ACTIVE_WINDOW | sed 's/.*# //; s/,.*//'; }
# above_in_stacking A B: A comes later in the manager's bottom-to-top list than B.
above_in_stacking() {
    local i=0 a="" b=""
    for w in $(stacking); do
        i=$((i + 1))
        [ $((w)) = $(($1)) ] && a=$i
        [ $((w)) = $(($2)) ] && b=$i
    done
    [ -n "$a" ] && [ -n "$b" ] && [ "$a" -gt "$b" ]
}
new_window() {  # a managed window (the program is the only client) that is neither of the given
    for w in $(stacking); do
        [ $((w)) = $(($1)) ] || [ $((w)) = $((${2:-0})) ] || { echo $((w)); return; }
    done
}

run_under() {  # run_under NAME COMMAND...
    local wm=$1; shift
    xserver
    folders
    "$@" > "$work/$wm.log" 2>&1 &
    local wmpid=$!
    wait_for 10 sh -c "xprop -root _NET_SUPPORTING_WM_CHECK | grep -q '#'" || fail "$wm did not start"
    launch ostrely-$wm.log
    local main list page
    main=$(main_window | cut -d' ' -f1)
    local step=70 hx=$((1920 * 8 / 10 + 35)) hy=$((1080 * 8 / 10 + 35)) top=$((1080 - 70 * 52 / 10))
    xdotool mousemove $hx $hy click --repeat 2 --delay 80 1   # the panel opens
    sleep 0.6
    xdotool mousemove $hx $((top + step * 12 / 10 + step / 2)) click 1   # its list button
    wait_for 10 sh -c "[ -n \"\$(xdotool search --onlyvisible --name . 2>/dev/null)\" ]"
    sleep 1
    list=$(new_window "$main")
    [ -n "$list" ] || fail "$wm: no picture list"
    above_in_stacking "$list" "$main" || fail "$wm: the list ($list) opened behind the main window ($main): $(stacking)"
    xprop -id "$list" WM_TRANSIENT_FOR | grep -qi "$(printf '0x%x' "$main")" ||
        fail "$wm: the list is not the main window's transient"
    shot $wm-list
    xdotool mousemove $hx $((top + step / 2)) click 3   # the menu on the handle
    sleep 0.6
    xdotool key Down Down Down Return   # video settings
    sleep 1.5
    page=$(new_window "$main" "$list")
    [ -n "$page" ] || fail "$wm: no video settings"
    [ $(($(active))) = $((page)) ] || fail "$wm: the video settings have no focus (active $(active))"
    above_in_stacking "$list" "$main" || fail "$wm: the menu left the list behind: $(stacking)"
    shot $wm-property
    stop
    kill "$wmpid" 2> /dev/null || true
    wait "$wmpid" 2> /dev/null || true
    kill "$xpid"
    wait "$xpid" 2> /dev/null || true
    xpid=""
}

ran=0
if command -v xfwm4 > /dev/null && command -v dbus-run-session > /dev/null; then
    run_under xfwm4 dbus-run-session xfwm4 --compositor=off; ran=1
fi
if command -v metacity > /dev/null; then run_under metacity metacity; ran=1; fi
if command -v openbox > /dev/null; then run_under openbox openbox; ran=1; fi
[ $ran = 1 ] || { echo "SKIP: no window manager"; exit 0; }
exit 0
