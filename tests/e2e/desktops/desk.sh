# Sourced by the desktop scripts: a private X server, the program on fresh folders, and what the
# X server itself says about the program's windows. Needs bin, name and shots set.
. "$(dirname "${BASH_SOURCE[0]}")/../common.sh"
for tool in Xvfb xdotool xprop xwininfo import; do
    command -v $tool > /dev/null || { echo "SKIP: no $tool"; exit 0; }
done
work=$(mktemp -d)
pid=""
xpid=""
helpers=()
cleanup() {
    for p in "${helpers[@]}" $pid; do kill "$p" 2> /dev/null || true; done
    # The program ends before its X server does.
    [ -z "$pid" ] || wait_for 10 sh -c "! kill -0 $pid 2>/dev/null" || true
    [ -z "$xpid" ] || kill "$xpid" 2> /dev/null || true
    # Helpers the session bus started (a settings daemon) may still be writing below it.
    for _ in 1 2 3 4 5; do rm -rf "$work" 2> /dev/null && break; sleep 0.5; done
}
trap cleanup EXIT

fail() { echo "FAIL: $*"; tail -n 40 "$work"/*.log 2> /dev/null; exit 1; }
board() { "$bin/ostrely-board" "$@"; }
shot() {
    import -window root "$work/$1.png"
    [ -z "$shots" ] || cp "$work/$1.png" "$shots/$name-$1.png"
}

xserver() {  # a fresh X server on a display of its own; the root keeps what is set on it
    rm -f "$work/displayfd"
    exec 5> "$work/displayfd"
    Xvfb -displayfd 5 -screen 0 1920x1080x24 -nolisten tcp -noreset > /dev/null 2>&1 &
    xpid=$!
    for _ in $(seq 100); do [ -s "$work/displayfd" ] && break; sleep 0.05; done
    export DISPLAY=:$(head -n 1 "$work/displayfd")
}

folders() {
    rm -rf "$work/appdata" "$work/config" "$work/run" "$work/tmp"
    mkdir -p "$work/appdata" "$work/config" "$work/run" "$work/tmp"
    chmod 700 "$work/run"
    export OSTRELY_COMMON_APPDATA=$work/appdata XDG_CONFIG_HOME=$work/config XDG_RUNTIME_DIR=$work/run
    export TMPDIR=$work/tmp OSTRELY_BOARD=sim OSTRELY_BOARD_LOG=$work/board.log OSTRELY_CAMERA=sim
    rm -f "$work/board.log"
}

windows() {  # "id x y w h" of each visible window of the program
    local id
    for id in $(xdotool search --onlyvisible --pid "$pid" 2> /dev/null); do
        eval "$(xdotool getwindowgeometry --shell "$id")"
        echo "$id $X $Y $WIDTH $HEIGHT"
    done
}
main_window() { windows | awk '$4 >= 400 && $5 >= 300' | sort -k4,4n -k5,5n | tail -n 1; }
restore_button() { windows | awk '$4 == 48 && $5 == 48' | head -n 1; }
main_at() { [ "$(main_window | cut -d' ' -f2-)" = "$*" ]; }
shown() { [ -n "$(main_window)" ]; }
hidden() { [ -z "$(main_window)" ]; }
# Stacking from the server: the root's children, top-most first.
above() {  # above A B: window A is stacked above window B
    local order
    order=$(xwininfo -root -children | awk '/^ +0x/ { print $1 }')
    local a b i=0
    for w in $order; do
        i=$((i + 1))
        [ $((w)) = $(($1)) ] && a=$i
        [ $((w)) = $(($2)) ] && b=$i
    done
    [ -n "${a:-}" ] && [ -n "${b:-}" ] && [ "$a" -lt "$b" ]
}
workarea() {  # workarea X Y W H: what a panel would announce
    xprop -root -f _NET_SUPPORTED 32a -set _NET_SUPPORTED _NET_WORKAREA
    xprop -root -f _NET_WORKAREA 32c -set _NET_WORKAREA "$1, $2, $3, $4"
}
# The live picture fills the output's height: its frame is in the top and bottom rows, and the
# black margin beside it reaches the top (no panel, bar or title over it).
laid_out_full() {  # laid_out_full SHOT
    [ "$(pixel "$1" 100 1)" = "srgb(0,0,0)" ] && [ "$(pixel "$1" 960 1)" != "srgb(0,0,0)" ] &&
        [ "$(pixel "$1" 960 1078)" != "srgb(0,0,0)" ]
}
# The end after the display server went away: status 0 with the board told E.
gone_in_order() {  # gone_in_order STATUS HOW
    [ "$1" = 0 ] || return 1
    [ "$(tail -n 1 "$work/board.log")" = "0 E" ] || { echo "the board was not closed ($2)"; return 1; }
}
# The compositor killed under the running program: no crash report, the end in order.
kill_compositor() {  # kill_compositor PID HOW
    kill -KILL "$1"
    wait_for $((20 * ${OSTRELY_E2E_SLOW:-1})) sh -c "! kill -0 $pid 2>/dev/null" ||
        fail "the program outlived its compositor ($2)"
    local status=0
    wait "$pid" || status=$?
    pid=""
    [ ! -e "$OSTRELY_COMMON_APPDATA/Kestrane/test.dmp" ] || fail "a crash report ($2)"
    gone_in_order "$status" "$2" || fail "exit status $status when the compositor went away ($2)"
}
step_in_ini() { sed -n 's/^step=//p' "$OSTRELY_COMMON_APPDATA/Kestrane/usefile.ini" 2> /dev/null | tr -d '\r'; }
