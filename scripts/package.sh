#!/usr/bin/env bash
# package.sh [BUILD_DIR]: installs what is missing, builds what the package holds, and makes the
# Debian package in BUILD_DIR (default build/). Prints the package's path last.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
dir=${1:-$here/build}
"$here/scripts/setup.sh" >&2
BUILD_TARGETS="Ostrely Autovell language_packs install_data" "$here/scripts/build.sh" "$dir" >&2
rm -f "$dir"/ostrely_*.deb
(cd "$dir" && cpack -G DEB > cpack.log 2>&1) || { cat "$dir/cpack.log" >&2; exit 1; }
ls "$dir"/ostrely_*.deb
