#!/usr/bin/env bash
# A lesson that does not end in order comes back: pictures taken, the program killed, a new start
# lists them (the share exports them) and numbers on after them; an orderly end empties the store.
# Then, under Xvfb, the exit command's export onto a full disk: the teacher is told, and the
# pictures are there at the next start.
# lesson.sh BIN_DIR
set -euo pipefail
bin=$1
work=$(mktemp -d)
pid="" cloud_pid="" xpid="" mounted=""
cleanup() {
    for p in "$pid" "$cloud_pid" "$xpid"; do [ -n "$p" ] && kill "$p" 2> /dev/null || true; done
    [ -n "$mounted" ] && umount "$mounted" 2> /dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; cat "$work"/*.log 2> /dev/null; exit 1; }
. "$(dirname "$0")/common.sh"
board() { "$bin/ostrely-board" "$@"; }

"$bin/ostrely-cloud" > "$work/cloud.log" 2>&1 &
cloud_pid=$!
wait_for 10 grep -q listening "$work/cloud.log" || fail "ostrely-cloud did not start"
port=$(sed -n 's/.*listening on 127\.0\.0\.1:\([0-9]*\).*/\1/p' "$work/cloud.log")
export OSTRELY_CLOUD_HOST=localhost:$port OSTRELY_STORAGE_HOST=http://127.0.0.1:$port

mkdir -p "$work/appdata" "$work/config" "$work/run" "$work/tmp" "$work/home/Desktop"
chmod 700 "$work/run"
export OSTRELY_COMMON_APPDATA=$work/appdata XDG_CONFIG_HOME=$work/config XDG_RUNTIME_DIR=$work/run
export TMPDIR=$work/tmp HOME=$work/home OSTRELY_CAMERA=sim OSTRELY_BOARD=sim
export OSTRELY_BOARD_LOG=$work/board.log QT_QPA_PLATFORM=offscreen
store=$work/tmp/ostrely-$(id -u)/KBCamera

start() {  # start LOG: the program on the same folders as before
    rm -f "$work/board.log"
    "$bin/Ostrely" > "$work/$1" 2>&1 &
    pid=$!
    wait_for 30 sh -c "grep -q '0 D' '$work/board.log' 2>/dev/null" || fail "the board was not opened"
    sleep 1
}
stop() {  # an orderly end of the session
    kill -TERM "$pid"
    wait_for 20 sh -c "! kill -0 $pid 2>/dev/null" || fail "still running after SIGTERM"
    wait "$pid" 2> /dev/null || true
    pid=""
}
take() {  # take N: key 8 from live video stores picture N
    board key 7
    sleep 0.6
    board key 8
    wait_for 30 test -f "$store/thumb/$(printf %010d "$1").bmp" || fail "no picture $1"
}
pictures() { ls "$store/image" 2> /dev/null | grep -c '^[0-9]\{10\}\.jpg$' || true; }

# Killed mid-lesson: the pictures come back, are listed (the share exports them) and new ones
# follow their numbers.
start killed.log
take 1
take 2
kill -KILL "$pid"
wait "$pid" 2> /dev/null || true
pid=""
start again.log
[ "$(pictures)" = 2 ] || fail "$(pictures) pictures after a kill, not 2"
board key 6
wait_for 40 sh -c "ls '$store/image/'*.pdf > /dev/null 2>&1" || fail "the share exported nothing"
pdf=$(ls "$store/image/"*.pdf | head -n 1)
wait_for 10 sh -c "qpdf --check '$pdf' > /dev/null 2>&1" || fail "qpdf rejects $pdf"
pages=$(pdfinfo "$pdf" | sed -n 's/^Pages: *//p')
[ "$pages" = 2 ] || fail "the kept lesson exports $pages pages, not 2"
take 3
stop
grep -q "Unhandled Exception" "$work/again.log" && fail "crashed"

# An orderly end: the next start is empty.
start orderly.log
[ "$(pictures)" = 0 ] || fail "$(pictures) pictures after an orderly end"
stop

# The exit command's export onto a full disk, under Xvfb with the menu on the panel's handle.
command -v Xvfb > /dev/null && command -v xdotool > /dev/null || { echo "SKIP full disk: no Xvfb/xdotool"; exit 0; }
if ! mount -t tmpfs -o size=32k tmpfs "$work/home/Desktop" 2> /dev/null; then
    echo "SKIP full disk: no tmpfs can be mounted here"
    exit 0
fi
mounted=$work/home/Desktop
start_xvfb
unset QT_QPA_PLATFORM
start full.log
take 1
take 2
open_menu
xdotool key Up Return   # Exit
sleep 0.5
xdotool key Return      # close? OK
sleep 0.5
xdotool key Return      # export the pictures? OK
sleep 1
xdotool key Return      # the save dialog: the proposed name on the desktop
wait_for 20 grep -q "ostrely.share: export to .* failed" "$work/full.log" || fail "the export did not fail"
wait_for 10 xdotool search --onlyvisible --name "^Prompt\$" > /dev/null 2>&1 || fail "the teacher was not told"
xdotool key Return      # the box: OK
wait_for 20 sh -c "! kill -0 $pid 2>/dev/null" || fail "the exit command did not end the program"
status=0; wait "$pid" || status=$?
pid=""
[ "$status" = 0 ] || fail "exit code $status"
ls "$work/home/Desktop/"*.pdf > /dev/null 2>&1 && fail "a broken PDF was left on the desktop"
export QT_QPA_PLATFORM=offscreen
start after-full.log
[ "$(pictures)" = 2 ] || fail "$(pictures) pictures after the failed export at exit, not 2"
stop
echo "lesson: kept after SIGKILL (2-page PDF), emptied after an orderly end, kept after a failed export at exit"
