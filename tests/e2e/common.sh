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

shot_as() {  # shot_as PREFIX NAME: the screen to $work/NAME.png, kept in $shots when set
    import -window root "$work/$2.png"
    [ -z "${shots:-}" ] || cp "$work/$2.png" "$shots/$1-$2.png"
}

pixel() { convert "$work/$1.png" -format "%[pixel:p{$2,$3}]" info:; }  # pixel SHOT X Y

press_in() {  # press_in TITLE KEY: a click on the window's corner gives it the keyboard, then KEY
    local id; id=$(xdotool search --onlyvisible --name "^$1\$" | head -n 1)
    eval "$(xdotool getwindowgeometry --shell "$id")"
    xdotool mousemove $((X + 4)) $((Y + 4)) click 1
    sleep 0.3
    xdotool key "$2"
}

qr_link() {  # qr_link PREFIX TRIES PAUSE: the link of the QR code on the screen, once it shows
    local link=""
    for _ in $(seq "$2"); do
        sleep "$3"
        shot_as "$1" qr
        link=$(zbarimg --raw -q "$work/qr.png" 2> /dev/null | head -n 1 || true)
        [ -n "$link" ] && break
    done
    echo "$link"
}

pdf_ok() {  # pdf_ok FILE PAGES: qpdf accepts the file and it has that many pages
    qpdf --check "$1" > /dev/null || fail "qpdf rejects $1"
    local pages; pages=$(pdfinfo "$1" | sed -n 's/^Pages: *//p')
    [ "$pages" = "$2" ] || fail "$1 has $pages pages, not $2"
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
