#!/usr/bin/env bash
# What a screen reader finds, in each language: over the accessibility bus of a private session,
# the toolbar's picture buttons are named push buttons, in the words of the desktop's language.
# Each language runs in a session of its own, as a fresh log-on would.
#   access.sh BIN_DIR SOURCE_DIR [PACK LOCALE]
set -euo pipefail
bin=$1
src=$2
if [ $# -lt 4 ]; then
    command -v dbus-run-session > /dev/null || { echo "SKIP: no dbus-run-session"; exit 0; }
    /usr/bin/python3 -c 'import pyatspi' 2> /dev/null || { echo "SKIP: no pyatspi"; exit 0; }
    command -v Xvfb > /dev/null || { echo "SKIP: no Xvfb"; exit 0; }
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
stop
exit 0
