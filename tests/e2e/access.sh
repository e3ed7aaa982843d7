#!/usr/bin/env bash
# What a screen reader finds, in each language: over the accessibility bus of a private session,
# the toolbar's picture buttons are named push buttons and the video property page's sliders are
# named as their rows, in the words of the desktop's language. The page is opened as a teacher
# opens it, from the menu on the toolbar's handle.
# Each language runs in a session of its own, as a fresh log-on would.
# Where OSTRELY_SHOTS names a folder, the screen with the page and what was read go there.
#   access.sh BIN_DIR SOURCE_DIR [PACK LOCALE]
set -euo pipefail
bin=$1
src=$2
if [ $# -lt 4 ]; then
    command -v dbus-run-session > /dev/null || { echo "SKIP: no dbus-run-session"; exit 0; }
    /usr/bin/python3 -c 'import pyatspi' 2> /dev/null || { echo "SKIP: no pyatspi"; exit 0; }
    command -v Xvfb > /dev/null && command -v xdotool > /dev/null || { echo "SKIP: no Xvfb/xdotool"; exit 0; }
    for pair in en_US:en_US.UTF-8 uk_UA:uk_UA.UTF-8 zh_CN:zh_CN.UTF-8 ar:ar_EG.UTF-8; do
        dbus-run-session -- bash "$0" "$bin" "$src" "${pair%%:*}" "${pair#*:}"
    done
    exit 0
fi
pack=$3
work=$(mktemp -d)
pid=""
xpid=""
cleanup() {
    [ -z "$pid" ] || kill "$pid" 2> /dev/null || true
    [ -z "$xpid" ] || kill "$xpid" 2> /dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
. "$(dirname "$0")/common.sh"
fail() { echo "FAIL: $*"; tail -n 30 "$work"/*.log 2> /dev/null; exit 1; }
check() { /usr/bin/python3 "$src/tests/e2e/a11y_check.py" "$pid" "$src/lang/$pack.strings" "$1"; }

start_xvfb
# Qt speaks to the accessibility bus only when asked to; a screen reader's desktop asks for it.
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
mkdir -p "$work/appdata" "$work/config" "$work/run" "$work/tmp"
chmod 700 "$work/run"
export OSTRELY_COMMON_APPDATA=$work/appdata XDG_CONFIG_HOME=$work/config XDG_RUNTIME_DIR=$work/run
export TMPDIR=$work/tmp OSTRELY_CAMERA=sim OSTRELY_BOARD=sim OSTRELY_BOARD_LOG=$work/board.log
export LANG=$4 LC_ALL= LC_MESSAGES=
launch "$pack.log"
check toolbar || fail "$pack: toolbar"
# The handle stands mirrored right-to-left: the screen reader says where it is.
where=$(check handle) || fail "$pack: $where"
read -r hx hy <<< "$where"
xdotool mousemove "$hx" "$hy" click 3
sleep "$(awk "BEGIN { print 0.5 * ${OSTRELY_E2E_SLOW:-1} }")"
# "Adjust parameters", the menu's third item, opens the page.
xdotool key Down Down Down Return
shots=${OSTRELY_SHOTS:-$work}
page=0
check page > "$shots/access-page-$pack.txt" || page=$?
cat "$shots/access-page-$pack.txt"
[ -z "${OSTRELY_SHOTS:-}" ] || import -window root "$shots/access-page-$pack.png"
[ "$page" = 0 ] || fail "$pack: property page"
stop
exit 0
