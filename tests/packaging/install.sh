#!/usr/bin/env bash
# Installs the build into a scratch prefix and starts the program through DIR/bin/ostrely, as
# the launcher does: it must find its language packs and Autovell through the link, and
# register the installed program, not the build tree, for log-on.
set -euo pipefail
build=$1 app_id=$2
work=$(mktemp -d)
pid=""
trap '[ -n "$pid" ] && kill "$pid" 2>/dev/null; rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; [ -f "$work/log" ] && cat "$work/log"; exit 1; }
wait_for() {
    local limit=$1; shift
    for _ in $(seq $((limit * 10))); do "$@" && return 0; sleep 0.1; done
    return 1
}
prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" > /dev/null || fail "cmake --install"
for f in bin/ostrely lib/ostrely/Ostrely lib/ostrely/Autovell lib/ostrely/Qvlang/en_US.so \
         lib/udev/rules.d/70-ostrely.rules "share/applications/$app_id.desktop" \
         "share/metainfo/$app_id.metainfo.xml" "share/icons/hicolor/scalable/apps/$app_id.svg" \
         "share/icons/hicolor/16x16/apps/$app_id.png" "share/icons/hicolor/256x256/apps/$app_id.png" \
         share/man/man1/ostrely.1.gz share/man/man1/Autovell.1.gz share/doc/ostrely/copyright; do
    [ -e "$prefix/$f" ] || fail "not installed: $f"
done
[ "$(file -b --mime-type "$prefix/share/icons/hicolor/256x256/apps/$app_id.png")" = image/png ] ||
    fail "the 256px icon is no PNG"
identify -format '%wx%h' "$prefix/share/icons/hicolor/16x16/apps/$app_id.png" 2> /dev/null |
    grep -qx 16x16 || fail "the 16px icon is not 16x16"
grep -q "$build" "$prefix/share/applications/$app_id.desktop" && fail "the launcher names the build tree"

user=$work/user
mkdir -p "$user/appdata" "$user/config" "$user/tmp" "$user/run"
chmod 700 "$user/run"
env OSTRELY_COMMON_APPDATA="$user/appdata" XDG_CONFIG_HOME="$user/config" TMPDIR="$user/tmp" \
    XDG_RUNTIME_DIR="$user/run" OSTRELY_CAMERA=sim QT_QPA_PLATFORM=offscreen \
    "$prefix/bin/ostrely" > "$work/log" 2>&1 &
pid=$!
entry=$user/config/autostart/Ostrely.desktop
wait_for 30 test -s "$entry" || fail "no autostart entry: the program did not come up"
kill -TERM "$pid"
wait_for 20 sh -c "! kill -0 $pid 2>/dev/null" || fail "still running after SIGTERM"
pid=""
grep -qx "Exec=$prefix/lib/ostrely/Ostrely -Start" "$entry" || fail "autostart entry: $(cat "$entry")"
grep -qx "TryExec=$prefix/lib/ostrely/Ostrely" "$entry" || fail "no TryExec: $(cat "$entry")"
exit 0
