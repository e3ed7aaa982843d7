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
exec "$here/build/bin/Ostrely" "$@"
