# Source this file. wine_up BUILD_DIR prepares a private, quiet Wine for the tests:
# its own prefix under BUILD_DIR, its own Xvfb display, the shell's hand-offs sent to a
# logging stand-in (no browser, editor or file manager ever opens), and a hidden window
# process that keeps Wine warm (KP_SCREEN sets the screen, 1920x1080x24 unless told).
# wine_down stops it all again.

KP_WINE=/usr/lib/wine/wine64
KP_WINESERVER=/usr/lib/wine/wineserver

kp_winpath() {   # Unix path -> Z:\ path
  printf 'Z:%s' "$(printf '%s' "$1" | sed 's#/#\\#g')"
}

# The registry settings of a Kotopane prefix, as a .reg text. Every prefix gets font
# replacements: the program asks for the MS Japanese faces, which Wine otherwise falls back
# from to the monospaced IPAGothic, so text runs wider than the layout was made for;
# IPAPGothic is metric-compatible with ＭＳ Ｐゴシック. With a hand-off stand-in ($1, a
# Windows path) the prefix is a test prefix: quiet, fast, and every hand-off goes to it.
kp_registry_text() {
  local stub="${1:-}" cls
  echo 'Windows Registry Editor Version 5.00'
  echo
  echo '[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]'
  echo '"ＭＳ Ｐゴシック"="IPAPGothic"'
  echo '"MS PGothic"="IPAPGothic"'
  echo '"ＭＳ ゴシック"="IPAGothic"'
  echo '"MS Gothic"="IPAGothic"'
  echo '"MS UI Gothic"="IPAPGothic"'
  echo
  # The usage guide opens in the browser (winebrowser, or the stand-in below); a prefix made
  # without mshtml has no association for .html.
  for cls in .html .htm; do
    echo "[HKEY_LOCAL_MACHINE\\Software\\Classes\\$cls]"
    echo '@="htmlfile"'
    echo
  done
  [ -n "$stub" ] || return 0
  stub=$(printf '%s' "$stub" | sed 's#\\#\\\\#g')
  echo '[HKEY_CURRENT_USER\Software\Wine\X11 Driver]'
  echo '"Managed"="N"'
  echo
  echo '[HKEY_CURRENT_USER\Software\Wine\WineDbg]'
  echo '"ShowCrashDialog"=dword:00000000'
  echo
  echo '[HKEY_LOCAL_MACHINE\Software\Classes\.txt]'
  echo '@="txtfile"'
  for cls in http https txtfile Folder htmlfile; do
    echo
    echo "[HKEY_LOCAL_MACHINE\\Software\\Classes\\$cls\\shell\\open\\command]"
    echo "@=\"\\\"$stub\\\" \\\"%1\\\"\""
  done
}

# Makes WINEPREFIX if it does not exist yet, and (re)imports the registry settings whenever
# they differ from the ones it last got, so older prefixes catch up. $1: as kp_registry_text.
kp_prefix_ready() {
  local text stamp="$WINEPREFIX/kotopane-registry.txt" reg
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    mkdir -p "$WINEPREFIX"
    "$KP_WINE" wineboot -i </dev/null >/dev/null 2>&1 || true
    "$KP_WINESERVER" -w
  fi
  text=$(kp_registry_text "${1:-}")
  if [ ! -f "$stamp" ] || [ "$(cat "$stamp")" != "$text" ]; then
    # UTF-16 with a BOM: the face names must not depend on the locale's code page.
    reg="$WINEPREFIX/kotopane-registry.reg"
    { printf '\xff\xfe'; printf '%s\n' "$text" | sed 's/$/\r/' | iconv -f UTF-8 -t UTF-16LE; } > "$reg"
    "$KP_WINE" regedit /S "$(kp_winpath "$reg")" </dev/null >/dev/null 2>&1
    "$KP_WINESERVER" -w
    rm -f "$reg"
    printf '%s\n' "$text" > "$stamp"
  fi
}

wine_up() {
  local build
  build=$(cd "$1" && pwd)
  export WINEPREFIX="$build/wineprefix"
  export WINEARCH=win64
  export WINEDEBUG="${KP_WINEDEBUG:--all}"
  export WINEDLLOVERRIDES="mscoree,mshtml="
  export LANG="${KP_TEST_LANG:-ja_JP.UTF-8}" LC_ALL="${KP_TEST_LANG:-ja_JP.UTF-8}"
  KP_WINE_STATE="$build/.wine-state"
  mkdir -p "$KP_WINE_STATE"

  # A display of our own, never the user's.
  rm -f "$KP_WINE_STATE/display"
  Xvfb -displayfd 9 -screen 0 "${KP_SCREEN:-1920x1080x24}" -nolisten tcp 9>"$KP_WINE_STATE/display" \
       </dev/null >/dev/null 2>&1 &
  echo $! > "$KP_WINE_STATE/xvfb.pid"
  local i
  for i in $(seq 1 100); do
    [ -s "$KP_WINE_STATE/display" ] && break
    sleep 0.05
  done
  export DISPLAY=":$(tr -d '\n' < "$KP_WINE_STATE/display")"

  kp_prefix_ready "$(kp_winpath "$build/tests/kp_handoff.exe")"

  setsid "$KP_WINESERVER" -p </dev/null >/dev/null 2>&1 || true
  setsid "$KP_WINE" wineboot </dev/null >/dev/null 2>&1 || true
  setsid "$KP_WINE" "$build/tests/kp_keepalive.exe" </dev/null >/dev/null 2>&1 &
  echo $! > "$KP_WINE_STATE/keepalive.pid"
}

# Points this shell at a Wine already brought up by wine_up (e.g. from another shell).
wine_env() {
  local build
  build=$(cd "$1" && pwd)
  export WINEPREFIX="$build/wineprefix" WINEARCH=win64
  export WINEDEBUG="${KP_WINEDEBUG:--all}" WINEDLLOVERRIDES="mscoree,mshtml="
  export LANG="${KP_TEST_LANG:-ja_JP.UTF-8}" LC_ALL="${KP_TEST_LANG:-ja_JP.UTF-8}"
  KP_WINE_STATE="$build/.wine-state"
  export DISPLAY=":$(tr -d '\n' < "$KP_WINE_STATE/display")"
}

wine_down() {
  [ -n "${KP_WINE_STATE:-}" ] || return 0
  local f
  for f in keepalive xvfb; do
    if [ -f "$KP_WINE_STATE/$f.pid" ]; then
      kill "$(cat "$KP_WINE_STATE/$f.pid")" 2>/dev/null || true
      rm -f "$KP_WINE_STATE/$f.pid"
    fi
  done
  "$KP_WINESERVER" -k 2>/dev/null || true
}
