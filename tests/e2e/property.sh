#!/usr/bin/env bash
# The video property page beside the simulated camera under Xvfb: two page steps on the
# brightness trackbar must make the live picture visibly brighter on the screen.
#   property.sh BIN_DIR [SHOTS_DIR]
set -euo pipefail
bin=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
shots=${2:-$work}
mkdir -p "$shots" "$work/run"
chmod 700 "$work/run"
export XDG_RUNTIME_DIR=$work/run TMPDIR=$work
xvfb-run -a -s "-screen 0 1280x720x24" \
    "$bin/ostrely-property-demo" "$shots/property-before.png" "$shots/property-after.png"
