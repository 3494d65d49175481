#!/usr/bin/env bash
# Builds Kotopane, installs the program folder into KOTOPANE_HOME (default ~/Kotopane)
# and starts it under Wine: on the user's display, or on Xvfb when there is none.
# An existing settings folder (個人設定) there is never touched. Wine runs in a prefix of
# Kotopane's own (KP_WINEPREFIX, default ~/.local/share/kotopane/wineprefix), never ~/.wine.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="${KP_BUILD_DIR:-$root/build}"
home="${KOTOPANE_HOME:-$HOME/Kotopane}"

bash "$root/scripts/install-deps.sh"
jpeg_dir=$(bash "$root/scripts/libjpeg-turbo.sh" "$build")
pictures_dir=$(bash "$root/scripts/picture-libs.sh" "$build")
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKP_LIBJPEG_TURBO=ON -Dlibjpeg-turbo_DIR="$jpeg_dir" \
      -DKP_LIBWEBP=ON -DKP_LIBHEIF=ON -DCMAKE_PREFIX_PATH="$pictures_dir" \
      -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" >/dev/null
cmake --build "$build" -j "$(nproc)" --target Kotopane QX5

mkdir -p "$home/App" "$home/部品"
cp -f "$build/Kotopane/App/Kotopane.exe" "$home/App/"
cp -rf "$build/Kotopane/部品/"* "$home/部品/"

. "$root/scripts/wine-env.sh"
export WINEPREFIX="${KP_WINEPREFIX:-${XDG_DATA_HOME:-$HOME/.local/share}/kotopane/wineprefix}"
export WINEARCH=win64

export LANG="${KP_LANG:-ja_JP.UTF-8}" LC_ALL="${KP_LANG:-ja_JP.UTF-8}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
export WINEDEBUG="${WINEDEBUG:--all}"
if [ -z "${DISPLAY:-}" ]; then
  dispfile=$(mktemp)
  Xvfb -displayfd 9 -screen 0 1920x1080x24 -nolisten tcp 9>"$dispfile" </dev/null >/dev/null 2>&1 &
  xvfb=$!
  trap 'kill $xvfb 2>/dev/null || true; rm -f "$dispfile"' EXIT
  for _ in $(seq 1 100); do [ -s "$dispfile" ] && break; sleep 0.05; done
  export DISPLAY=":$(tr -d '\n' < "$dispfile")"
  echo "No display found: Kotopane runs on Xvfb display $DISPLAY (screenshot: DISPLAY=$DISPLAY import -window root shot.png)."
fi
kp_prefix_ready
echo "Program folder: $home"
echo "Wine prefix: $WINEPREFIX"
cd "$home/App"
"$KP_WINE" "$home/App/Kotopane.exe"
