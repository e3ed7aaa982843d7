#!/usr/bin/env bash
# Installs what is missing, builds, and runs Ostrely on the simulated camera and button board.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
"$here/scripts/setup.sh"
"$here/scripts/build.sh" "$here/build"
export OSTRELY_CAMERA=${OSTRELY_CAMERA:-sim} OSTRELY_BOARD=${OSTRELY_BOARD:-sim}
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "No display: running on the offscreen platform. Drive it with $here/build/bin/ostrely-board (Ctrl+C ends it)." >&2
  export QT_QPA_PLATFORM=offscreen
fi
# A local cloud for the share key, unless the caller points the program at another one.
cloud_pid=""
if [ -z "${OSTRELY_CLOUD_HOST:-}" ]; then
  cloud_log=$(mktemp)
  "$here/build/bin/ostrely-cloud" > "$cloud_log" 2>&1 &
  cloud_pid=$!
  for _ in $(seq 100); do grep -q listening "$cloud_log" && break; sleep 0.05; done
  port=$(sed -n 's/.*listening on 127\.0\.0\.1:\([0-9]*\).*/\1/p' "$cloud_log")
  if [ -n "$port" ]; then
    export OSTRELY_CLOUD_HOST=localhost:$port OSTRELY_STORAGE_HOST=http://127.0.0.1:$port
    echo "Sharing goes to the local cloud on 127.0.0.1:$port (ostrely-cloud)." >&2
  fi
fi
status=0
"$here/build/bin/Ostrely" "$@" || status=$?
[ -n "$cloud_pid" ] && kill "$cloud_pid" 2>/dev/null
exit $status
