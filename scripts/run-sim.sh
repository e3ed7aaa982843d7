#!/usr/bin/env bash
# Installs what is missing, builds, and runs Ostrely on the simulated camera and button board.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
"$here/scripts/setup.sh"
"$here/scripts/build.sh" "$here/build"
export OSTRELY_CAMERA=${OSTRELY_CAMERA:-sim} OSTRELY_BOARD=${OSTRELY_BOARD:-sim}
exec "$here/build/bin/Ostrely" "$@"
