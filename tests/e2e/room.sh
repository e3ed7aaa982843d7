#!/usr/bin/env bash
# A share in the room under Xvfb: three pictures from the board, the share key, the QR code
# scanned off the screen, the link fetched from another network namespace over a veth pair (when
# this machine lets the test make one; from here otherwise), the PDF checked with qpdf; wrong
# token, other paths, POST and the directory refused; the link gone its stated time after the
# view is closed.
# room.sh BIN_DIR [SHOTS_DIR]
set -euo pipefail
bin=$1
shots=${2:-}
command -v Xvfb > /dev/null && command -v xdotool > /dev/null || { echo "SKIP: no Xvfb/xdotool"; exit 0; }
work=$(mktemp -d)
pid="" xpid="" ns="" veth=""
cleanup() {
    for p in "$pid" "$xpid"; do [ -n "$p" ] && kill "$p" 2> /dev/null || true; done
    [ -n "$veth" ] && ip link del "$veth" 2> /dev/null || true
    [ -n "$ns" ] && ip netns del "$ns" 2> /dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; cat "$work"/*.log 2> /dev/null; exit 1; }
. "$(dirname "$0")/common.sh"
board() { "$bin/ostrely-board" "$@"; }
shot() { shot_as room "$1"; }

# The phones' side: a namespace of its own behind a veth pair, routed to this computer.
peer=()
if ip netns add "ostrely-room-$$" 2> /dev/null; then
    ns=ostrely-room-$$
    veth=orm$$
    if ip link add "$veth" type veth peer name "${veth}p" &&
       ip link set "${veth}p" netns "$ns" &&
       ip addr add 10.213.7.1/24 dev "$veth" && ip -6 addr add fd7b:213:7::1/64 dev "$veth" nodad &&
       ip link set "$veth" up &&
       ip netns exec "$ns" ip addr add 10.213.7.2/24 dev "${veth}p" &&
       ip netns exec "$ns" ip -6 addr add fd7b:213:7::2/64 dev "${veth}p" nodad &&
       ip netns exec "$ns" ip link set "${veth}p" up &&
       ip netns exec "$ns" ip link set lo up &&
       ip netns exec "$ns" ip route add default via 10.213.7.1 &&
       ip netns exec "$ns" ip -6 route add default via fd7b:213:7::1; then
        peer=(ip netns exec "$ns")
        echo "phones in namespace $ns"
    else
        echo "NOTE: no veth pair here; the link is fetched from this namespace"
    fi
else
    echo "NOTE: no network namespaces here; the link is fetched from this namespace"
fi
phone() { "${peer[@]}" curl -s --max-time 20 "$@"; }

start_xvfb
unset QT_QPA_PLATFORM OSTRELY_CLOUD_HOST OSTRELY_STORAGE_HOST
mkdir -p "$work/appdata" "$work/config" "$work/run" "$work/tmp"
chmod 700 "$work/run"
export OSTRELY_COMMON_APPDATA=$work/appdata XDG_CONFIG_HOME=$work/config XDG_RUNTIME_DIR=$work/run
export TMPDIR=$work/tmp OSTRELY_CAMERA=sim OSTRELY_BOARD=sim OSTRELY_BOARD_LOG=$work/board.log
export OSTRELY_SHARE_MODE=room OSTRELY_ROOM_LINGER_S=3 OSTRELY_DEBUG=1
store=$work/tmp/ostrely-$(id -u)/KBCamera
launch ostrely.log

for n in 1 2 3; do
    board key 8
    wait_for 30 test -f "$store/thumb/000000000$n.bmp" || fail "no picture $n"
    board key 7
    sleep 0.6
done

board key 6
link=$(qr_link room 40 0.5)
[ -n "$link" ] || fail "no QR code on the screen"
case "$link" in http://*:*/????????????????????????????????/*.pdf) ;; *) fail "odd link $link" ;; esac
phone -f -o "$work/got.pdf" -D "$work/headers" "$link" || fail "the link $link does not download"
pdf_ok "$work/got.pdf" 3
grep -qi '^content-type: application/pdf' "$work/headers" || fail "not served as a PDF"
grep -qi '^content-disposition: attachment; filename="[0-9]*\.pdf"' "$work/headers" ||
    fail "no download name"

base=${link%/*/*}
token_path=${link#"$base"}
refused() {  # refused CURL-ARGS...: the answer must be 404
    local code; code=$(phone -o /dev/null -w '%{http_code}' "$@")
    [ "$code" = 404 ] || fail "$* answered $code"
}
refused "$base/00000000000000000000000000000000/${link##*/}"
refused "$base/"
refused "$base${token_path%/*}/"
refused "$base${token_path%/*}/..%2f..%2fetc%2fpasswd"
refused "$base${token_path%/*}%2F${link##*/}"
refused --path-as-is "$base${token_path%/*}/../${token_path#/}"
refused -X POST --data x "$link"
grep -q 'Room share listening' "$work/ostrely.log" || fail "no server log line"

press_in QRCode Escape
wait_for 5 sh -c "! xdotool search --onlyvisible --name '^QRCode\$' > /dev/null 2>&1" ||
    fail "Esc did not hide the QR code view"
# Still there just after the view closed, gone once its three seconds are over.
phone -f -o /dev/null "$link" || fail "the link closed with the view"
wait_for 10 sh -c "! ${peer[*]} curl -s -o /dev/null --max-time 2 '$link'" ||
    fail "the link is still open after its time"
grep -q "Room share's time is over" "$work/ostrely.log" || fail "no closing log line"
stop
echo "room: $link read back from the screen${ns:+ and fetched from $ns}; 3-page PDF; refusals; closed after its time"
