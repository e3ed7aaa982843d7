# Sourced by the end-to-end scripts.

wait_for() {  # wait_for SECONDS COMMAND...: polls until the command succeeds
    local limit=$1; shift
    for _ in $(seq $((limit * 10))); do "$@" && return 0; sleep 0.1; done
    return 1
}

start_xvfb() {  # a 1920x1080 X server for this script: sets xpid and DISPLAY (needs $work)
    exec 5> "$work/displayfd"
    Xvfb -displayfd 5 -screen 0 1920x1080x24 -nolisten tcp > /dev/null 2>&1 &
    xpid=$!
    for _ in $(seq 100); do [ -s "$work/displayfd" ] && break; sleep 0.05; done
    export DISPLAY=:$(head -n 1 "$work/displayfd")
}

# The panel's handle on a 1920x1080 screen (the smaller side / 15, cut to tens), where a right
# click opens the program's menu (Xvfb has no tray).
handle_x=$((1920 * 8 / 10 + 35))
handle_y=$((1080 * 8 / 10 + 35))
open_menu() {  # from live video: the menu on the handle
    "$bin/ostrely-board" key 7
    sleep 0.6
    xdotool mousemove $handle_x $handle_y click 3
    sleep 0.5
}

# The program and its end, for scripts that set bin, work and fail.
launch() {  # launch LOG [args...]: the program, started once its board is open
    local log=$1; shift
    "$bin/Ostrely" "$@" > "$work/$log" 2>&1 &
    pid=$!
    # A loaded machine (a sanitizer build, tests beside it) can take long to start.
    wait_for 60 sh -c "grep -q '0 D' '$work/board.log' 2>/dev/null" || fail "the board was not opened"
    sleep 1
}

stop() {
    kill -TERM "$pid"
    wait_for 20 sh -c "! kill -0 $pid 2>/dev/null" || fail "still running"
    wait "$pid" 2> /dev/null || true
    pid=""
}
