# Source this file. wine_up BUILD_DIR prepares a private, quiet Wine for the tests:
# its own prefix under BUILD_DIR, its own Xvfb display, the shell's hand-offs sent to a
# logging stand-in (no browser, editor or file manager ever opens), and a hidden window
# process that keeps Wine warm. wine_down stops it all again.

KP_WINE=/usr/lib/wine/wine64
KP_WINESERVER=/usr/lib/wine/wineserver

kp_winpath() {   # Unix path -> Z:\ path
  printf 'Z:%s' "$(printf '%s' "$1" | sed 's#/#\\#g')"
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
  Xvfb -displayfd 9 -screen 0 1920x1080x24 -nolisten tcp 9>"$KP_WINE_STATE/display" \
       </dev/null >/dev/null 2>&1 &
  echo $! > "$KP_WINE_STATE/xvfb.pid"
  local i
  for i in $(seq 1 100); do
    [ -s "$KP_WINE_STATE/display" ] && break
    sleep 0.05
  done
  export DISPLAY=":$(tr -d '\n' < "$KP_WINE_STATE/display")"

  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    "$KP_WINE" wineboot -i </dev/null >/dev/null 2>&1 || true
    "$KP_WINESERVER" -w
    local stub reg
    stub=$(kp_winpath "$build/tests/kp_handoff.exe" | sed 's#\\#\\\\#g')
    reg="$KP_WINE_STATE/setup.reg"
    {
      echo 'REGEDIT4'
      echo
      echo '[HKEY_CURRENT_USER\Software\Wine\X11 Driver]'
      echo '"Managed"="N"'
      echo
      echo '[HKEY_CURRENT_USER\Software\Wine\WineDbg]'
      echo '"ShowCrashDialog"=dword:00000000'
      echo
      echo '[HKEY_LOCAL_MACHINE\Software\Classes\.txt]'
      echo '@="txtfile"'
      for cls in http https txtfile Folder; do
        echo
        echo "[HKEY_LOCAL_MACHINE\\Software\\Classes\\$cls\\shell\\open\\command]"
        echo "@=\"\\\"$stub\\\" \\\"%1\\\"\""
      done
    } > "$reg"
    "$KP_WINE" regedit /S "$(kp_winpath "$reg")" </dev/null >/dev/null 2>&1
    "$KP_WINESERVER" -w
  fi

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
