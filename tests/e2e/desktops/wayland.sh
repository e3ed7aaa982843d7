#!/usr/bin/env bash
# The Wayland policy: an X display (XWayland) wins over native Wayland; a Wayland plugin asked
# for but missing falls back to the X display; with neither usable the program ends with a
# message and status 1, never an abort. Under a headless weston where the package has it.
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

if command -v weston > /dev/null; then
    mkdir -p "$work/wl" && chmod 700 "$work/wl"
    XDG_RUNTIME_DIR=$work/wl weston --backend=headless-backend.so --socket=ostrely-wl \
        > "$work/weston.log" 2>&1 &
    helpers+=($!)
    wait_for 10 test -S "$work/wl/ostrely-wl" || fail "weston did not start"
    status=0
    env -u DISPLAY XDG_RUNTIME_DIR=$work/wl WAYLAND_DISPLAY=ostrely-wl timeout 30 "$bin/Ostrely" \
        > "$work/native.log" 2>&1 || status=$?
    # With the Wayland plugin installed the program runs; without it, a message and status 1.
    if [ "$status" = 124 ]; then
        echo "native Wayland: running"
    else
        [ "$status" = 1 ] || fail "native Wayland without a plugin ended with $status"
        grep -q "needs an X display" "$work/native.log" || fail "no message: $(cat "$work/native.log")"
    fi
fi
exit 0
