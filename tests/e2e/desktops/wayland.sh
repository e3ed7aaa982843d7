#!/usr/bin/env bash
# The Wayland policy: an X display (XWayland) wins over native Wayland; a Wayland plugin asked
# for but missing falls back to the X display; with neither usable the program ends with a
# message and status 1, never an abort. In a Wayland session the window is full-screen: under a
# headless weston with its panel, through XWayland and natively, it covers the whole output and
# is laid out for it; weston going away under the running program ends it in order.
set -euo pipefail
bin=$1
shots=${2:-}
name=wayland
. "$(dirname "$0")/desk.sh"

xserver
folders
export WAYLAND_DISPLAY=ostrely-test-none   # a Wayland desktop around the X display
QT_QPA_PLATFORM=wayland launch ostrely.log
shown || fail "QT_QPA_PLATFORM=wayland without a usable plugin did not fall back to X"
main_at 0 0 1920 1080 || fail "not placed on the work area: $(main_window)"
shot xwayland
stop
# A desktop whose window manager announces its top bar to XWayland (GNOME and KDE do): the
# window keeps to the work area as on X, not full-screen over the bar.
workarea 0 27 1920 1053
folders
launch ostrely.log
wait_for $((10 * ${OSTRELY_E2E_SLOW:-1})) main_at 0 27 1920 1053 ||
    fail "not on the announced work area: $(main_window)"
xprop -id "$(main_window | cut -d' ' -f1)" _NET_WM_STATE | grep -q FULLSCREEN &&
    fail "full-screen over the announced top bar"
stop

command -v weston > /dev/null || exit 0
# weston's desktop shell, headless, with its panel at the top and XWayland.
slow=${OSTRELY_E2E_SLOW:-1}
xserver_display=$DISPLAY
westonpid=""
start_weston() {  # sets wl (the Wayland socket) and xdisplay (its XWayland)
    rm -rf "$work/wl" && mkdir -p "$work/wl" && chmod 700 "$work/wl"
    XDG_RUNTIME_DIR=$work/wl weston --backend=headless-backend.so --use-pixman --width=1920 \
        --height=1080 --socket=ostrely-wl --xwayland --debug > "$work/weston.log" 2>&1 &
    westonpid=$!
    disown "$westonpid"   # killed on purpose below: not for bash to report
    helpers+=($westonpid)
    wl=$work/wl/ostrely-wl
    wait_for $((10 * slow)) grep -q "xserver listening on display" "$work/weston.log" ||
        fail "weston did not start"
    xdisplay=$(sed -n 's/.*xserver listening on display \(:[0-9]*\).*/\1/p' "$work/weston.log")
}
weston_shot() {  # a screenshot through weston's own tool; false when it gives none in time
    rm -f "$work"/wl/wayland-screenshot-*.png
    (cd "$work/wl" && XDG_RUNTIME_DIR=$work/wl WAYLAND_DISPLAY=$wl timeout $((10 * slow)) \
        weston-screenshooter > /dev/null 2>&1) || return 1
    mv "$work"/wl/wayland-screenshot-*.png "$work/$1.png" || return 1
    [ -z "$shots" ] || cp "$work/$1.png" "$shots/$name-$1.png"
}
kill_weston() { kill_compositor "$westonpid" "$1"; }

# Through weston's XWayland: full-screen over the whole output, panel and all.
start_weston
folders
DISPLAY=$xdisplay WAYLAND_DISPLAY=$wl launch ostrely-weston-x.log
export DISPLAY=$xdisplay
wait_for $((10 * slow)) main_at 0 0 1920 1080 || fail "weston XWayland: $(main_window)"
xprop -id "$(main_window | cut -d' ' -f1)" _NET_WM_STATE | grep -q _NET_WM_STATE_FULLSCREEN ||
    fail "weston XWayland: not full-screen"
sleep 1
weston_shot weston-xwayland || echo "weston XWayland: no screenshot"   # the X server told
kill_weston XWayland
export DISPLAY=$xserver_display

# Natively, without an X display: weston tells nobody where a window is, so the screenshot
# shows it, and the program's own word on the geometry it was given, if any, agrees.
start_weston
folders
unset DISPLAY
WAYLAND_DISPLAY=$wl "$bin/Ostrely" > "$work/ostrely-weston-wl.log" 2>&1 &
pid=$!
wait_for 60 sh -c "grep -q '0 D' '$work/board.log' 2>/dev/null || ! kill -0 $pid 2>/dev/null" ||
    fail "weston native: the board was not opened"
if ! kill -0 "$pid" 2> /dev/null; then
    # Without Qt's Wayland plugin: a message and status 1, never an abort.
    status=0; wait "$pid" || status=$?
    pid=""
    [ "$status" = 1 ] || fail "native Wayland without a plugin ended with $status"
    grep -q "needs an X display" "$work/ostrely-weston-wl.log" ||
        fail "no message: $(cat "$work/ostrely-weston-wl.log")"
    exit 0
fi
sleep 2
weston_shot weston-native || weston_shot weston-native || fail "weston native: no screenshot"
laid_out_full weston-native || fail "weston native: the panel over the view, or the view cut"
! grep "window given" "$work/ostrely-weston-wl.log" | grep -v "QRect(0,0 1920x1080)" ||
    fail "weston native: given less than the output"
kill_weston native
exit 0
