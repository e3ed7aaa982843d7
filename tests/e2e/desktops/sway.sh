#!/usr/bin/env bash
# sway, a tiling Wayland compositor, headless, with its bar and another program's window open:
# through XWayland and natively the main window is full-screen over the whole output, neither
# tiled beside the other window nor cut by the bar, and laid out for the size it was given; sway
# going away under the running program ends it in order.
set -euo pipefail
bin=$1
shots=${2:-}
name=sway
. "$(dirname "$0")/desk.sh"
for tool in sway swaymsg jq grim Xwayland xmessage xhost; do
    command -v $tool > /dev/null || { echo "SKIP: no $tool"; exit 0; }
done
slow=${OSTRELY_E2E_SLOW:-1}
unset DISPLAY WAYLAND_DISPLAY   # only sway's own
# sway refuses to run as root: there an unprivileged user of the system runs it.
as_sway=()
if [ "$(id -u)" = 0 ]; then
    id nobody > /dev/null 2>&1 && command -v setpriv > /dev/null ||
        { echo "SKIP: root without a user to run sway as"; exit 0; }
    as_sway=(setpriv --reuid="$(id -u nobody)" --regid="$(id -g nobody)" --clear-groups)
    chmod 711 "$work"
fi
swaypid=""

start_sway() {  # sets SWAYSOCK, wl (the Wayland socket) and xdisplay (its XWayland)
    local run=$work/sway
    rm -rf "$run" && mkdir -p "$run" && chmod 700 "$run"
    [ ${#as_sway[@]} = 0 ] || chown nobody "$run"
    printf '%s\n' 'output HEADLESS-1 resolution 1920x1080 position 0 0' 'xwayland enable' \
        'bar {' 'position top' '}' \
        'exec xhost +si:localuser:root && echo $DISPLAY > $XDG_RUNTIME_DIR/display' \
        > "$run/config"
    env -i PATH="$PATH" HOME="$run" XDG_RUNTIME_DIR="$run" WLR_BACKENDS=headless \
        WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman "${as_sway[@]}" sway -c "$run/config" \
        > "$work/sway.log" 2>&1 &
    swaypid=$!
    disown $swaypid   # its end (a crash at TERM included) is not ours to report
    helpers+=($swaypid)
    wait_for $((10 * slow)) sh -c "[ -s '$run/display' ] && ls '$run'/sway-ipc.*.sock" > /dev/null ||
        fail "sway did not start"
    SWAYSOCK=$(ls "$run"/sway-ipc.*.sock)
    export SWAYSOCK
    wl=$run/$(cd "$run" && ls wayland-* | grep -v lock | head -n 1)
    xdisplay=$(cat "$run/display")
    # The other program, tiled on the output.
    DISPLAY=$xdisplay xmessage -geometry 800x600 "another program" > /dev/null 2>&1 &
    helpers+=($!)
    wait_for $((10 * slow)) sh -c "swaymsg -t get_tree | grep -q xmessage" || fail "no other window"
}

# "x y w h type fullscreen" of the program's largest window as sway has it.
sway_window() {
    swaymsg -t get_tree | jq -r --argjson pid "$pid" '[.. | objects | select(.pid? == $pid and
        .visible == true)] | max_by(.rect.width * .rect.height) // empty |
        "\(.rect.x) \(.rect.y) \(.rect.width) \(.rect.height) \(.type) \(.fullscreen_mode)"'
}
# Full-screen on the whole output: sway hides its bar and tiles it beside nothing.
placed_full() { [[ "$(sway_window)" = "0 0 1920 1080 "*" 1" ]]; }
sway_shot() {
    XDG_RUNTIME_DIR=$work/sway WAYLAND_DISPLAY=$wl grim "$work/$1.png"
    [ -z "$shots" ] || cp "$work/$1.png" "$shots/$name-$1.png"
}
kill_sway() {
    kill_compositor "$swaypid" "$1"
    kill "${helpers[@]}" 2> /dev/null || true
    helpers=()
}

# Through XWayland, as a sway session starts a program.
start_sway
folders
DISPLAY=$xdisplay WAYLAND_DISPLAY=$wl launch ostrely-x.log
wait_for $((10 * slow)) placed_full || fail "XWayland: not full-screen on the output: $(sway_window)"
sleep 1
sway_shot xwayland
laid_out_full xwayland || fail "XWayland: the view is not laid out for the whole output"
kill_sway XWayland

# Natively, without an X display.
start_sway
folders
WAYLAND_DISPLAY=$wl launch ostrely-wl.log
wait_for $((10 * slow)) placed_full || fail "native: not full-screen on the output: $(sway_window)"
sleep 1
sway_shot native
laid_out_full native || fail "native: the view is not laid out for the whole output"
kill_sway native
exit 0
