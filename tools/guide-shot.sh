#!/usr/bin/env bash
# Retakes the picture of the window in the usage guide (resources/guide.html) from the real
# program: the built Kotopane.exe runs under Wine on an Xvfb screen of 1024 x 720 from a
# scratch program folder, a picture is dropped onto it from outside as a user would drop
# one, and the window is photographed once the picture and its line have settled. The
# picture goes into the guide as a data: address. Needs a build with the tests
# (bash scripts/test.sh); run it again whenever the window changes, and commit the guide.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="${KP_BUILD_DIR:-$root/build}"
work="$build/guide-shot"
[ -x "$build/tests/xdnd_drop" ] || { echo "build the tests first: bash scripts/test.sh" >&2; exit 1; }

rm -rf "$work"
mkdir -p "$work/Kotopane/App" "$work/Kotopane/部品" "$work/Kotopane/個人設定"
cp "$build/Kotopane/App/Kotopane.exe" "$work/Kotopane/App/"
cp "$build/Kotopane/部品/"* "$work/Kotopane/部品/"
printf '1' > "$work/Kotopane/個人設定/ハート.txt"      # show the heart after the line
# A picture of our own to drop: a spring landscape.
convert -size 560x400 gradient:'#8ecbff'-'#fff6e0' \
        -fill '#ffd24a' -draw 'circle 440,95 440,140' \
        -fill '#7cc96a' -draw 'ellipse 140,430 300,150 0,360' \
        -fill '#5aae50' -draw 'ellipse 430,450 280,140 0,360' \
        -fill '#ff9fb8' -draw 'circle 120,300 120,312' -draw 'circle 160,320 160,330' \
        -draw 'circle 420,330 420,341' "$work/はる.png"

. "$root/scripts/wine-env.sh"
trap wine_down EXIT
KP_SCREEN=1024x720x24 wine_up "$build"
unset KP_HANDOFF_LOG
(cd "$work/Kotopane/App" && setsid "$KP_WINE" Kotopane.exe </dev/null >/dev/null 2>&1 &)

# The main window on the X screen: width, height, x, y.
geometry=""
for _ in $(seq 1 100); do
  geometry=$(xwininfo -root -tree 2>/dev/null | python3 -c '
import re, sys
for line in sys.stdin:
    m = re.search(r"\"Kotopane .*?\d+x\d+\+-?\d+\+-?\d+\s+\+(-?\d+)\+(-?\d+)", line)
    size = re.search(r"(\d+)x(\d+)\+-?\d+\+-?\d+\s+\+-?\d+\+-?\d+", line)
    if m and size and int(size.group(1)) > 400:
        print(size.group(1), size.group(2), m.group(1), m.group(2)); break')
  [ -n "$geometry" ] && break
  sleep 0.1
done
[ -n "$geometry" ] || { echo "the Kotopane window did not appear" >&2; exit 1; }
read -r w h x y <<< "$geometry"
sleep 1   # the converter starts with the window

"$build/tests/xdnd_drop" $((x + w / 2)) $((y + 320)) "$work/はる.png"

# Wait until the fade and the typing are over: two grabs in a row the same.
last=""
for _ in $(seq 1 40); do
  sleep 0.4
  now=$(import -window root rgb:- | md5sum)
  [ "$now" = "$last" ] && break
  last=$now
done
[ "$h" -le $((720 - y)) ] || h=$((720 - y))
# Wine draws the frame itself here (4-px border, 19-px caption) and, without a window
# manager's fonts, its caption buttons as letters: the picture starts at the menu bar.
import -window root -crop "$((w - 8))x$((h - 23))+$((x + 4))+$((y + 23))" +repage -strip "$work/window.png"

python3 - "$root/resources/guide.html" "$work/window.png" <<'PY'
import base64, re, sys
guide, shot = sys.argv[1], sys.argv[2]
data = base64.b64encode(open(shot, "rb").read()).decode("ascii")
text = open(guide, encoding="utf-8").read()
text, n = re.subn(r'(<img id="window-shot"[^>]*src="data:image/png;base64,)[A-Za-z0-9+/=]*"',
                  lambda m: m.group(1) + data + '"', text)
if n != 1:
    sys.exit("guide-shot: no <img id=\"window-shot\"> in the guide")
open(guide, "w", encoding="utf-8", newline="\n").write(text)
print("%s: window picture %d bytes" % (guide, len(data)))
PY
