#!/usr/bin/env bash
# The picture list in a real X server: pictures taken with the simulated board appear in it,
# and Export, driven with the pointer and keyboard, writes a PDF that qpdf accepts.
# piclist-xvfb.sh BIN_DIR DEMO [SCREENSHOT.png]
set -euo pipefail
bin=$1 demo=$2 shot=${3:-}
work=$(mktemp -d)
pids=()
cleanup() {
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
mkdir -p "$work/appdata" "$work/config" "$work/run" "$work/tmp" "$work/home/Desktop"
chmod 700 "$work/run"
export OSTRELY_COMMON_APPDATA=$work/appdata XDG_CONFIG_HOME=$work/config XDG_RUNTIME_DIR=$work/run
export TMPDIR=$work/tmp HOME=$work/home OSTRELY_CAMERA=sim OSTRELY_BOARD=sim QT_QPA_PLATFORM=xcb

display=:$((90 + RANDOM % 400))
Xvfb "$display" -screen 0 1280x800x24 -nolisten tcp > "$work/xvfb.log" 2>&1 &
pids+=($!)
export DISPLAY=$display

wait_for() {  # wait_for SECONDS COMMAND...: polls until the command succeeds
    local limit=$1; shift
    for _ in $(seq $((limit * 10))); do "$@" && return 0; sleep 0.1; done
    return 1
}
fail() { echo "FAIL: $*"; cat "$work/demo.log"; exit 1; }
wait_for 20 xdpyinfo > /dev/null 2>&1 || { echo "FAIL: no X server"; exit 1; }

"$demo" "$bin" > "$work/demo.log" 2>&1 &
pids+=($!)
wait_for 30 grep -q "^control 1009" "$work/demo.log" || fail "the list never came up"
wait_for 30 sh -c "\"$bin/ostrely-board\" log 2>/dev/null | grep -q D" || fail "the board was not opened"

for n in 1 2 3; do
    "$bin/ostrely-board" key 1
    wait_for 30 grep -q "^picture $n\$" "$work/demo.log" || fail "picture $n was not taken"
done
sleep 1
[ -n "$shot" ] && import -window root "$shot"

at() { grep "^control $1 " "$work/demo.log" | cut -d' ' -f3-; }
click() { xdotool mousemove $(at "$1") click 1; sleep 0.3; }
click 1001
click 1009
wait_for 20 sh -c "xdotool search --onlyvisible --class piclist-demo 2>/dev/null | wc -l | grep -qv '^[012]$'" ||
    fail "no save dialog"
sleep 1
xdotool key ctrl+a
xdotool type --delay 20 "$work/home/Desktop/lesson.pdf"
xdotool key Return
wait_for 20 test -f "$work/home/Desktop/lesson.pdf" || fail "no PDF after Export"
qpdf --check "$work/home/Desktop/lesson.pdf" > /dev/null || fail "qpdf rejects the PDF"
pages=$(pdfinfo "$work/home/Desktop/lesson.pdf" | awk '/^Pages:/ {print $2}')
[ "$pages" = 3 ] || fail "$pages pages, not 3"
exit 0
