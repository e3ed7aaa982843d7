#!/usr/bin/env bash
# package-check.sh [BUILD_DIR]: builds the Debian package in BUILD_DIR (default build/) and
# checks it as a technician would meet it: lintian, the launcher, the metainfo and the device
# rule validated, then installed with dpkg, started, installed over, and removed.
# Installs and removes the package "ostrely" on this machine: run it as root, on CI or a
# machine where that is fine.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
dir=${1:-$here/build}
[ "$(id -u)" -eq 0 ] || { echo "package-check.sh installs a package: run it as root" >&2; exit 2; }

work=$(mktemp -d)
pid=""
cleanup() {
    [ -n "$pid" ] && kill "$pid" 2> /dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
checks=0
step() { echo "-- $*"; checks=$((checks + 1)); }
fail() { echo "FAIL: $*" >&2; exit 1; }
wait_for() {  # wait_for SECONDS COMMAND...
    local limit=$1; shift
    for _ in $(seq $((limit * 10))); do "$@" && return 0; sleep 0.1; done
    return 1
}

step "scripts/package.sh"
deb=$("$here/scripts/package.sh" "$dir" | tail -n 1)
[ -f "$deb" ] || fail "no package made"
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$dir/CMakeCache.txt")
app_id=$(basename "$(ls "$dir"/packaging/*.desktop)" .desktop)
echo "$deb (Ostrely $version, $app_id)"

step "contents: all under /usr, none under /usr/local, everything there"
dpkg-deb -c "$deb" | awk '{print $6}' | sed 's|^\./||; s|/$||' | grep -v '^$' > "$work/files"
grep -v '^usr\(/\|$\)' "$work/files" && fail "files outside /usr"
grep '^usr/local' "$work/files" && fail "files under /usr/local"
for f in usr/bin/ostrely usr/lib/ostrely/Ostrely usr/lib/ostrely/Autovell \
         usr/lib/ostrely/Qvlang/{en_US,ar,uk_UA,zh_CN}.so usr/lib/udev/rules.d/70-ostrely.rules \
         "usr/share/applications/$app_id.desktop" "usr/share/metainfo/$app_id.metainfo.xml" \
         "usr/share/icons/hicolor/scalable/apps/$app_id.svg" \
         usr/share/man/man1/{ostrely,Autovell}.1.gz usr/share/doc/ostrely/copyright; do
    grep -qx "$f" "$work/files" || fail "missing from the package: $f"
done
for size in 16 22 24 32 48 64 128 256; do
    grep -qx "usr/share/icons/hicolor/${size}x$size/apps/$app_id.png" "$work/files" ||
        fail "no ${size}px icon"
done

step "control: dependencies found, maintainer scripts there"
depends=$(dpkg-deb -f "$deb" Depends)
grep -q 'libqt6widgets6' <<< "$depends" || fail "dependencies not from the libraries: $depends"
grep -q 'fonts-wqy-microhei | fonts-noto-cjk' <<< "$depends" || fail "no Chinese faces: $depends"
grep -q 'fonts-dejavu-core | fonts-noto-core' <<< "$depends" || fail "no Arabic faces: $depends"
info=$(dpkg-deb -I "$deb")  # read whole: grep -q on a pipe would break it under pipefail
grep -q ' postinst ' <<< "$info" || fail "no postinst"
grep -q ' postrm ' <<< "$info" || fail "no postrm"

step "lintian"
lintian_ok=true
lintian --fail-on error --tag-display-limit 0 "$deb" > "$work/lintian.log" 2>&1 || lintian_ok=false
grep -v 'running with root' "$work/lintian.log" || true
$lintian_ok || fail "lintian reports errors"

step "the installed files validate"
dpkg-deb -x "$deb" "$work/root"
desktop="$work/root/usr/share/applications/$app_id.desktop"
desktop-file-validate "$desktop" || fail "desktop entry"
grep -qx 'Exec=ostrely' "$desktop" || fail "the launcher does not run ostrely"
grep -qx 'Categories=Education;Graphics;' "$desktop" || fail "categories"
for lang in ar uk zh_CN; do grep -q "^Name\[$lang\]=" "$desktop" || fail "no name in $lang"; done
appstreamcli validate --no-net "$work/root/usr/share/metainfo/$app_id.metainfo.xml" ||
    fail "metainfo"
for page in "$work"/root/usr/share/man/man1/*.gz; do
    warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z "$page" 2>&1 > /dev/null)
    [ -z "$warnings" ] || fail "manual page $(basename "$page"): $warnings"
done

step "device rule"
rules="$work/root/usr/lib/udev/rules.d/70-ostrely.rules"
if udevadm verify --help > /dev/null 2>&1; then
    udevadm verify --resolve-names=never "$rules" || fail "udevadm verify"
else
    # The checker must catch a broken rule before its word on ours counts.
    printf 'SUBSYSTEM=="hidraw" TAG+="uaccess"\n' > "$work/broken.rules"
    ! "$here/scripts/check-udev-rules.sh" "$work/broken.rules" 2> /dev/null ||
        fail "the rule checker passed a broken rule"
    "$here/scripts/check-udev-rules.sh" "$rules" || fail "device rule syntax"
fi
grep -q 'SUBSYSTEM=="hidraw", ATTRS{idVendor}=="0483", ATTRS{idProduct}=="5851", TAG+="uaccess"' \
    "$rules" || fail "no uaccess rule for the button board"
grep -q 'ATTRS{idVendor}=="0c45", ATTRS{idProduct}=="9102", TAG+="uaccess"' "$rules" ||
    fail "no uaccess rule for the camera"
[[ "$(basename "$rules")" < 73-seat-late.rules ]] || fail "the rule sorts after 73-seat-late.rules"

step "dpkg -i"
dpkg -i "$deb" > "$work/dpkg.log" 2>&1 || { cat "$work/dpkg.log"; fail "dpkg -i"; }
[ "$(dpkg-query -W -f='${Status}' ostrely)" = "install ok installed" ] || fail "not installed"

step "ostrely --version from /usr/bin, with no display"
[ "$(command -v ostrely)" = /usr/bin/ostrely ] || fail "ostrely is not /usr/bin/ostrely"
out=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM timeout 20 ostrely --version) ||
    fail "ostrely --version exited with $?"
[ "$out" = "Ostrely $version" ] || fail "ostrely --version printed: $out"

step "started from the launcher, the program registers the installed program for log-on"
user=$work/user
mkdir -p "$user/appdata" "$user/config" "$user/tmp" "$user/run"
chmod 700 "$user/run"
exec_line=$(sed -n 's/^Exec=//p' "/usr/share/applications/$app_id.desktop")
# shellcheck disable=SC2086  # the Exec line holds no quoting, checked above
env OSTRELY_COMMON_APPDATA="$user/appdata" XDG_CONFIG_HOME="$user/config" TMPDIR="$user/tmp" \
    XDG_RUNTIME_DIR="$user/run" OSTRELY_CAMERA=sim QT_QPA_PLATFORM=offscreen \
    $exec_line > "$work/ostrely.log" 2>&1 &
pid=$!
entry=$user/config/autostart/Ostrely.desktop
wait_for 30 test -s "$entry" || { cat "$work/ostrely.log"; fail "no autostart entry written"; }
kill -TERM "$pid"
wait_for 20 sh -c "! kill -0 $pid 2> /dev/null" || fail "the program did not end on SIGTERM"
pid=""
grep -qx 'Exec=/usr/lib/ostrely/Ostrely -Start' "$entry" || fail "autostart Exec: $(cat "$entry")"
grep -qx 'TryExec=/usr/lib/ostrely/Ostrely' "$entry" || fail "autostart TryExec: $(cat "$entry")"
desktop-file-validate "$entry" || fail "autostart entry"
[ -f "$user/appdata/QvCamera.xml" ] || fail "no settings written"
(cd "$user" && find appdata config -type f -exec md5sum {} + | sort) > "$work/user.before"

step "installed over itself, the user's files stay"
dpkg -i "$deb" > "$work/dpkg.log" 2>&1 || { cat "$work/dpkg.log"; fail "dpkg -i over it"; }
(cd "$user" && find appdata config -type f -exec md5sum {} + | sort) | cmp -s - "$work/user.before" ||
    fail "installing over it changed the user's files"

step "dpkg -r removes it cleanly and leaves the user's files"
dpkg -r ostrely > "$work/dpkg.log" 2>&1 || { cat "$work/dpkg.log"; fail "dpkg -r"; }
status=$(dpkg-query -W -f='${Status}' ostrely 2> /dev/null || true)
[[ $status != *" installed" ]] || fail "still installed: $status"
while read -r f; do
    [ -e "/$f" ] || [ -L "/$f" ] || continue
    [ -d "/$f" ] && [ ! -L "/$f" ] && continue  # shared folders like /usr/share/man stay
    fail "left behind: /$f"
done < "$work/files"
[ ! -e /usr/lib/ostrely ] || fail "left behind: /usr/lib/ostrely"
(cd "$user" && find appdata config -type f -exec md5sum {} + | sort) | cmp -s - "$work/user.before" ||
    fail "removing the package changed the user's files"
# What the session does at log-on with the entry left behind: TryExec names no program, so skip.
[ ! -x /usr/lib/ostrely/Ostrely ] || fail "the left-over entry would still start something"

echo "package checks: all $checks passed ($deb)"
