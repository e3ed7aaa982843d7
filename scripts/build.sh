#!/usr/bin/env bash
# build.sh DIR [cmake options...]: configures (once) and builds into DIR.
# BUILD_TARGETS (blank-separated) builds only those targets instead of everything.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
# ccache finds objects of another clone or work tree by paths relative to the project.
export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$here}
# Debug information names the build folder, which ccache would otherwise hash into every object:
# another clone would then hit nothing.
export CCACHE_NOHASHDIR=${CCACHE_NOHASHDIR:-1}
dir=$1; shift
if [ ! -f "$dir/build.ninja" ]; then
  cmake -S "$here" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE="${BUILD_TYPE:-RelWithDebInfo}" "$@"
fi
targets=()
for t in ${BUILD_TARGETS:-}; do targets+=(--target "$t"); done
cmake --build "$dir" -j"$(nproc)" "${targets[@]}"
