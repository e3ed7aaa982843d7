#!/usr/bin/env bash
# Installs what is missing, builds the program, and runs it on the simulated camera and button
# board. The demo keeps its settings, its autostart entry and its pictures in a folder of its
# own (OSTRELY_DEMO_DIR, default build/demo), never in the user's real ones.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
"$here/scripts/setup.sh"
# Only what the demo runs; the tests and benchmarks are scripts/test.sh's.
BUILD_TARGETS="Ostrely Autovell language_packs ostrely-board ostrely-cloud" "$here/scripts/build.sh" "$here/build"

demo=${OSTRELY_DEMO_DIR:-$here/build/demo}
mkdir -p "$demo/appdata" "$demo/config" "$demo/tmp"
demo=$(cd "$demo" && pwd)

# The board socket stays where ostrely-board looks by default (the user's own scratch folder),
# so the board commands work from any terminal although the demo's TMPDIR is its own.
if [ -z "${OSTRELY_BOARD_SOCKET:-}" ]; then
  scratch=${TMPDIR:-/tmp}/ostrely-$(id -u)
  mkdir -p -m 700 "$scratch" 2> /dev/null || true
  if [ -d "$scratch" ] && [ ! -L "$scratch" ] && [ -O "$scratch" ] &&
     [ $((8#$(stat -c %a "$scratch") & 8#077)) -eq 0 ]; then
    export OSTRELY_BOARD_SOCKET=$scratch/board.sock
    board="$here/build/bin/ostrely-board"
  else
    export OSTRELY_BOARD_SOCKET=$demo/board.sock
    board="$here/build/bin/ostrely-board --socket $OSTRELY_BOARD_SOCKET"
  fi
else
  board="$here/build/bin/ostrely-board"
fi

export OSTRELY_COMMON_APPDATA=$demo/appdata XDG_CONFIG_HOME=$demo/config TMPDIR=$demo/tmp
export OSTRELY_CAMERA=${OSTRELY_CAMERA:-sim} OSTRELY_BOARD=${OSTRELY_BOARD:-sim}
cat >&2 << MSG
Demo folder: $demo
  settings in appdata/, the autostart entry in config/autostart/, pictures in
  tmp/ostrely-$(id -u)/KBCamera/ (emptied at every start: export or share them to keep them).
  Your own settings and autostart entry are not touched.
Take a picture with the simulated board: $board key 8 (key 7: back to live video)
MSG
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "No display: running on the offscreen platform (Ctrl+C ends it)." >&2
  export QT_QPA_PLATFORM=offscreen
fi
# The share key serves the pictures from this computer to the phones in the room.
# OSTRELY_SIM_CLOUD=1 shares through a local stand-in for the cloud instead.
cloud_pid=""
if [ "${OSTRELY_SIM_CLOUD:-0}" = 0 ]; then
  export OSTRELY_SHARE_MODE=${OSTRELY_SHARE_MODE:-room}
  echo "Sharing in the room: the QR code links to this computer (OSTRELY_SIM_CLOUD=1: the local cloud)." >&2
elif [ -z "${OSTRELY_CLOUD_HOST:-}" ]; then
  cloud_log=$(mktemp)
  "$here/build/bin/ostrely-cloud" > "$cloud_log" 2>&1 &
  cloud_pid=$!
  for _ in $(seq 100); do grep -q listening "$cloud_log" && break; sleep 0.05; done
  port=$(sed -n 's/.*listening on 127\.0\.0\.1:\([0-9]*\).*/\1/p' "$cloud_log")
  if [ -n "$port" ]; then
    export OSTRELY_CLOUD_HOST=localhost:$port OSTRELY_STORAGE_HOST=http://127.0.0.1:$port
    echo "Sharing goes to the local cloud on 127.0.0.1:$port (ostrely-cloud)." >&2
  fi
  export OSTRELY_SHARE_MODE=${OSTRELY_SHARE_MODE:-cloud}
fi
status=0
"$here/build/bin/Ostrely" "$@" || status=$?
[ -n "$cloud_pid" ] && kill "$cloud_pid" 2>/dev/null
exit $status
