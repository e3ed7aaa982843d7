#!/usr/bin/env bash
# Xfce as a classroom runs it: xfwm4 and xfce4-panel on a session bus, the panel at the top.
# The main window covers the work area below the panel, the icon sits in the panel's tray, a
# right click opens the program's menu and a left double click shows the hidden view (on the
# StatusNotifier tray the panel draws the icon and opens the menu the program exports).
set -euo pipefail
bin=$1
shots=${2:-}
name=xfce
. "$(dirname "$0")/desk.sh"
for tool in xfwm4 xfce4-panel dbus-daemon; do
    command -v $tool > /dev/null || { echo "SKIP: no $tool"; exit 0; }
done

icon() { windows | awk '$4 <= 64 && $5 <= 64 && !($4 == 48 && $5 == 48)' | head -n 1; }
menu() { windows | awk '$4 >= 100 && $4 < 800 && $5 >= 100 && $5 < 800' | head -n 1; }
has_menu() { [ -n "$(menu)" ]; }
panel_up() { xprop -root _NET_WORKAREA 2> /dev/null | grep -q '= 0, [1-9]'; }

xserver
folders
read -r bus buspid < <(dbus-daemon --session --fork --print-address=1 --print-pid=1 | paste -sd' ')
export DBUS_SESSION_BUS_ADDRESS=$bus
helpers+=($buspid)
xfwm4 --compositor=off > "$work/xfwm4.log" 2>&1 &
helpers+=($!)
sleep 1
xfce4-panel > "$work/panel.log" 2>&1 &
helpers+=($!)
sleep 4
xdotool key Return   # the panel's first start asks for its layout: the default one
wait_for 10 panel_up || fail "no panel took room: $(xprop -root _NET_WORKAREA)"
area() { xprop -root _NET_WORKAREA | sed 's/.*= //' | tr -d ',' | awk '{ print $1, $2, $3, $4 }'; }
# The panel may still settle its size after it first takes room: the window follows the area as it
# is when the window is checked, not as it was read once before.
on_area() { main_at $(area); }
shot panel

launch ostrely.log
wait_for 20 on_area || fail "not on the work area $(area): $(main_window)"
shot main
sni() {  # a property of the watcher or of our item, on the session bus
    dbus-send --session --print-reply --dest="$1" "$2" org.freedesktop.DBus.Properties.Get \
        string:"$3" string:"$4" 2> /dev/null
}
if [ -z "$(icon)" ]; then
    # The panel's StatusNotifier host draws the icon itself: the menu it opens on a right click
    # is the one the program exports, so the item must export ours.
    items=$(sni org.kde.StatusNotifierWatcher /StatusNotifierWatcher org.kde.StatusNotifierWatcher \
        RegisteredStatusNotifierItems)
    item=$(echo "$items" | grep -o '"[^"]*"' | tr -d '"' | head -n 1)
    [ -n "$item" ] || fail "no icon in the panel's tray, neither embedded nor as StatusNotifier item"
    service=${item%%/*}
    path=/${item#*/}
    [ "$path" != "/$item" ] || path=/StatusNotifierItem
    menu_path=$(sni "$service" "$path" org.kde.StatusNotifierItem Menu | grep -o 'object path "[^"]*"')
    echo "$menu_path" | grep -q '"/' && ! echo "$menu_path" | grep -q NO_DBUSMENU ||
        fail "the StatusNotifier item exports no menu: $menu_path"
    layout=$(dbus-send --session --print-reply --dest="$service" "$(echo "$menu_path" | cut -d'"' -f2)" \
        com.canonical.dbusmenu.GetLayout int32:0 int32:-1 array:string: 2> /dev/null || true)
    echo "$layout" | grep -q "$(printf 'About')" || fail "the exported menu lacks the program's entries"
    # What the panel sends when the teacher picks an entry of that menu: About must open.
    about=$(echo "$layout" | awk '/struct \{/ { s = 1; next }
        s && /int32/ { id = $2; s = 0; next }
        /string "label"/ { l = 1; next }
        l && /string "About"/ { print id; exit }
        { l = 0 }')
    [ -n "$about" ] || fail "no About entry in the exported menu: $layout"
    dbus-send --session --print-reply --dest="$service" "$(echo "$menu_path" | cut -d'"' -f2)" \
        com.canonical.dbusmenu.Event int32:"$about" string:clicked variant:int32:0 uint32:0 > /dev/null ||
        fail "the exported menu took no click"
    wait_for 10 sh -c "xdotool search --onlyvisible --name 'About Demo' > /dev/null" ||
        fail "picking About in the panel's menu opened nothing"
    shot sni-about
    stop
    exit 0
fi
read -r _ ix iy iw ih <<< "$(icon)"
board key 9
wait_for 15 hidden || fail "key 9 did not hide the view"
xdotool mousemove $((ix + iw / 2)) $((iy + ih / 2)) click 3
wait_for 10 has_menu || fail "a right click opened no menu of ours: $(windows)"
shot tray-menu
xdotool key Escape
sleep 0.5
xdotool mousemove $((ix + iw / 2)) $((iy + ih / 2)) click --repeat 2 --delay 120 1
wait_for 15 shown || fail "a double click did not show the view"
sleep 1
[ -z "$(menu)" ] || fail "a double click opened the menu"
stop
exit 0
