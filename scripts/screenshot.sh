#!/bin/bash
# Takes the README screenshot (docs/screenshot.png): LinkWatch on a virtual
# display with a filled site list and a finished check. Two partner pages are
# served from 127.0.0.1, one with the operator's link and one without, CHECK
# is pressed with a real X mouse click, and the main window is captured once
# every verdict is in.
# Usage: bash scripts/screenshot.sh [build dir]   (starts its own Xvfb when no display is set)
set -euo pipefail
build_dir=${1:-build}
root=$(cd "$(dirname "$0")/.." && pwd)
program="$root/$build_dir/src/app/linkwatch"
if [[ ! -x "$program" ]]; then
    echo "screenshot: build LinkWatch first ($program is missing)" >&2
    exit 1
fi
if [[ -z "${DISPLAY:-}" ]]; then
    exec xvfb-run -a -s "-screen 0 1024x768x24" bash "$0" "$@"
fi

work=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT

# The partner pages.
mkdir -p "$work/site" "$work/run"
echo '<p>Partners: <a href="http://www.linkwatch.example/">LinkWatch</a></p>' > "$work/site/partner.htm"
echo '<p>Partners: none yet</p>' > "$work/site/other.htm"
python3 -u -c '
import http.server, functools, sys
handler = functools.partial(http.server.SimpleHTTPRequestHandler, directory=sys.argv[1])
server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
print(server.server_address[1], flush=True)
server.serve_forever()' "$work/site" > "$work/port" 2>/dev/null &
pids+=($!)
for _ in $(seq 100); do [[ -s "$work/port" ]] && break; sleep 0.1; done
port=$(head -1 "$work/port")
site="http://127.0.0.1:$port"

# The site list: rows of name, address, query text and status, in GBK.
{
    printf '4,5\r\ncw 0,86\r\ncw 1,193\r\ncw 2,224\r\ncw 3,51\r\n'
    row=1
    while IFS='|' read -r name address query status; do
        printf '0,%d,%s\r\n1,%d,%s\r\n2,%d,%s\r\n3,%d,%s\r\n' \
            "$row" "$name" "$row" "$address" "$row" "$query" "$row" "$status"
        row=$((row + 1))
    done <<ROWS
示例网站|$site/partner.htm|http://www.linkwatch.example/|正常
合作伙伴|$site/other.htm|http://www.linkwatch.example/|正常
友情链接|$site/partner.htm|LinkWatch|正常
暂停的站|$site/other.htm|http://www.linkwatch.example/|暂停
旧网站|http://127.0.0.1:9/|http://www.linkwatch.example/|死亡
ROWS
} | iconv -f UTF-8 -t GBK > "$work/run/帐号.ini"

# Start the program, press CHECK, and wait for the three verdicts.
(cd "$work/run" && LINKWATCH_RESULT_DUMP="$work/dump" exec "$program") &
pids+=($!)
for _ in $(seq 100); do [[ -s "$work/dump" ]] && break; sleep 0.1; done
window=$(xdotool search --sync --onlyvisible --name LinkWatch | head -1)
read -r _ x y < <(head -1 "$work/dump")
xdotool mousemove --window "$window" "$x" "$y" click 1
for _ in $(seq 150); do
    [[ $(grep -c -e 'OK!' -e "$(printf '\xC3\xBB\xD3\xD0')" "$work/dump") -ge 3 ]] && break
    sleep 0.1
done
sleep 0.5
xdotool mousemove 0 0

# Capture the screen and cut out the main window.
eval "$(xdotool getwindowgeometry --shell "$window")"
xwd -root -silent > "$work/screen.xwd"
python3 "$root/scripts/xwd_to_png.py" "$work/screen.xwd" "$root/docs/screenshot.png" "$X" "$Y" "$WIDTH" "$HEIGHT"
echo "screenshot: wrote docs/screenshot.png (${WIDTH}x${HEIGHT})"
