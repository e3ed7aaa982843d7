#!/usr/bin/env bash
# An XEmbed tray (trayer) that starts after the program, as a panel may at log-on: the icon
# appears in it, the hidden start stays hidden, a right click opens the program's menu, a left
# double click shows the view and opens no menu, a single click opens the menu.
set -euo pipefail
bin=$1
shots=${2:-}
name=tray
. "$(dirname "$0")/desk.sh"
command -v trayer > /dev/null || { echo "SKIP: no trayer"; exit 0; }

icon() { windows | awk '$4 <= 64 && $5 <= 64 && !($4 == 48 && $5 == 48)' | head -n 1; }
menu() { windows | awk '$4 >= 100 && $4 < 800 && $5 >= 100 && $5 < 800' | head -n 1; }
has_icon() { [ -n "$(icon)" ]; }
has_menu() { [ -n "$(menu)" ]; }
no_menu() { [ -z "$(menu)" ]; }

xserver
folders
launch ostrely.log -Start
hidden || fail "-Start showed the view"
trayer --edge top --align right --widthtype request --height 32 --SetDockType true \
    --transparent false > "$work/trayer.log" 2>&1 &
helpers+=($!)
wait_for 10 has_icon || fail "the icon never came to the late tray: $(windows)"
read -r _ ix iy iw ih <<< "$(icon)"
[ -n "${ix:-}" ] || fail "no icon: $(windows)"
shot late-tray
sleep 10   # past the grace period
hidden || fail "the view came up although the tray took the icon"
[ -z "$(restore_button)" ] || fail "a restore button beside a tray"

cx=$((ix + iw / 2)); cy=$((iy + ih / 2))
xdotool mousemove $cx $cy click 3
wait_for 10 has_menu || fail "a right click opened no menu: $(windows)"
shot right-click-menu
xdotool key Escape
wait_for 10 no_menu || fail "the menu stays after Escape"

xdotool mousemove $cx $cy click 1
wait_for 10 has_menu || fail "a single click opened no menu"
xdotool key Escape
wait_for 10 no_menu || fail "the menu stays after Escape"

xdotool mousemove $cx $cy click --repeat 2 --delay 120 1
wait_for 10 shown || fail "a double click did not show the view"
sleep 1
[ -z "$(menu)" ] || fail "a double click opened the menu"
shot double-click

stop
exit 0
