#!/usr/bin/env bash
# One share under Xvfb through ostrely-cloud: the QR code view on screen must read back as the
# link, and the link must download a sound PDF of three pages.
# share.sh BIN_DIR [SCREENSHOT]
set -euo pipefail
bin=$1
shot=${2:-}
work=$(mktemp -d)
cloud_pid=""
trap '[ -n "$cloud_pid" ] && kill "$cloud_pid" 2>/dev/null; rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; cat "$work"/*.log 2>/dev/null; exit 1; }

"$bin/ostrely-cloud" > "$work/cloud.log" 2>&1 &
cloud_pid=$!
for _ in $(seq 100); do grep -q listening "$work/cloud.log" && break; sleep 0.05; done
port=$(sed -n 's/.*listening on 127\.0\.0\.1:\([0-9]*\).*/\1/p' "$work/cloud.log")
[ -n "$port" ] || fail "ostrely-cloud did not start"
export OSTRELY_CLOUD_HOST=localhost:$port OSTRELY_STORAGE_HOST=http://127.0.0.1:$port

cat > "$work/run.sh" <<INNER
set -e
"$bin/ostrely-share-demo" --folder "$work/store" --hold-ms 6000 > "$work/demo.log" 2>&1 &
demo=\$!
for _ in \$(seq 200); do grep -q '^link:' "$work/demo.log" && break; sleep 0.05; done
sleep 1
import -window root "$work/screen.png"
wait \$demo
INNER
unset QT_QPA_PLATFORM
xvfb-run -a -s "-screen 0 1024x768x24" bash "$work/run.sh" || fail "the demo failed"
link=$(sed -n 's/^link: //p' "$work/demo.log")
[ -n "$link" ] || fail "no link"
read_back=$(zbarimg --raw -q "$work/screen.png" 2>/dev/null | head -n 1)
[ "$read_back" = "$link" ] || fail "screen reads '$read_back', link is '$link'"
curl -sf -o "$work/got.pdf" "$link" || fail "the link does not download"
qpdf --check "$work/got.pdf" > /dev/null || fail "qpdf rejects the PDF"
pages=$(pdfinfo "$work/got.pdf" | sed -n 's/^Pages: *//p')
[ "$pages" = 3 ] || fail "$pages pages"
[ -n "$shot" ] && cp "$work/screen.png" "$shot"
echo "share: $link read back from the screen; 3-page PDF downloaded"
