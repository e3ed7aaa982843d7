#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
"$here/scripts/setup.sh"
"$here/scripts/build.sh" "${BUILD_DIR:-$here/build}" "$@"
cd "${BUILD_DIR:-$here/build}"
# CTEST_ARGS narrows the run (the thread-sanitizer pass runs only the threaded tests).
ctest --output-on-failure -j"$(nproc)" --timeout 300 ${CTEST_ARGS:-} ||
    bash "$here/scripts/lsan-tracer-retry.sh"
