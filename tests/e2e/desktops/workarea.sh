#!/usr/bin/env bash
# The work area under a bare X server, announced as a panel announces it: the main window covers
# it from its real origin, follows it at run time (and the toolbar's step in usefile.ini with
# it), and falls back to the whole screen when the announcement makes no sense.
set -euo pipefail
bin=$1
shots=${2:-}
name=workarea
. "$(dirname "$0")/desk.sh"

xserver
folders
workarea 0 27 1920 1053   # a panel at the top, as Xfce has it
launch ostrely.log
wait_for 10 main_at 0 27 1920 1053 || fail "not on the work area below the panel: $(main_window)"
shot top-panel
[ "$(step_in_ini)" = 70 ] || fail "step $(step_in_ini), not 70"

workarea 64 100 1280 700   # panels taken away and others added while the program runs
wait_for 10 main_at 64 100 1280 700 || fail "the window did not follow the work area: $(main_window)"
wait_for 10 sh -c "[ \"\$(sed -n 's/^step=//p' '$OSTRELY_COMMON_APPDATA/Kestrane/usefile.ini' | tr -d '\r')\" = 40 ]" ||
    fail "usefile.ini did not follow: step $(step_in_ini)"
shot moved
# The picture fits the new area (932 wide, centred): the margin right of it is black.
[ "$(pixel moved 1200 450)" = "srgb(0,0,0)" ] ||
    fail "the live picture was not fitted to the new work area"

workarea 0 0 0 0   # nonsense: the whole screen
wait_for 10 main_at 0 0 1920 1080 || fail "a zero work area: $(main_window)"
workarea 5000 5000 800 600
sleep 0.5
main_at 0 0 1920 1080 || fail "a work area off the screen: $(main_window)"
kill -0 "$pid" || fail "the program died"
stop
exit 0
