#!/usr/bin/env bash
# The program answers --version and --help and ends, with no display and no Qt platform set,
# before anything of the window system or the settings is touched.
set -euo pipefail
bin=$1 version=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
run() {
    env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM XDG_CONFIG_HOME="$work/config" \
        OSTRELY_COMMON_APPDATA="$work/appdata" TMPDIR="$work/tmp" timeout 20 "$bin/Ostrely" "$@"
}
mkdir "$work/tmp"
out=$(run --version) || fail "--version exited with $?"
[ "$out" = "Ostrely $version" ] || fail "--version printed: $out"
out=$(run -Start --help) || fail "--help exited with $?"
grep -q '^Usage: ostrely' <<< "$out" || fail "--help printed: $out"
[ -z "$(ls -A "$work/tmp")" ] && [ ! -e "$work/config" ] && [ ! -e "$work/appdata" ] ||
    fail "answering touched the settings or the picture store: $(find "$work")"
# A full stdout is an error, not a silent success.
if [ -w /dev/full ]; then
    run --version > /dev/full 2> /dev/null && fail "--version into a full output reported success"
fi
exit 0
