#!/usr/bin/env bash
# Builds everything and runs every test: the platform-free code natively (with sanitizers),
# the Windows programs and their tests under Wine on a private Xvfb display.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="${KP_BUILD_DIR:-$root/build}"

bash "$root/scripts/check-layers.sh"

bash "$root/scripts/install-deps.sh"

jobs=$(nproc)
cmake -S "$root" -B "$build/native" -G Ninja -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build "$build/native" -j "$jobs"
jpeg_dir=$(bash "$root/scripts/libjpeg-turbo.sh" "$build")
pictures_dir=$(bash "$root/scripts/picture-libs.sh" "$build")
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKP_LIBJPEG_TURBO=ON -Dlibjpeg-turbo_DIR="$jpeg_dir" \
      -DKP_LIBWEBP=ON -DKP_LIBHEIF=ON -DCMAKE_PREFIX_PATH="$pictures_dir" -DKP_TESTS=ON \
      -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" >/dev/null
cmake --build "$build" -j "$jobs"

# The damaged pictures that tests/wine/display_damaged_test.cpp runs through both programs.
python3 "$root/tools/damaged_pictures.py" "$build/damaged" --count "${KP_DAMAGED_COUNT:-300}" >/dev/null

status=0
ctest --test-dir "$build/native" --output-on-failure -j "$jobs" || status=1

. "$root/scripts/wine-env.sh"
trap wine_down EXIT

# Runs the Wine tests; a test whose program Wine never started (it printed nothing at all)
# is started once more, and said so. Every other failure stands.
wine_ctest() {
  ctest --test-dir "$build" --output-on-failure --timeout 300 "$@" && return 0
  local again
  again=$(python3 "$root/scripts/never-started.py" "$build")
  [ -n "$again" ] || return 1
  local failed_count
  failed_count=$(wc -l < "$build/Testing/Temporary/LastTestsFailed.log")
  [ "$(echo "$again" | wc -l)" -eq "$failed_count" ] || return 1
  echo "Started once more, Wine never ran them: $(echo $again)"
  ctest --test-dir "$build" --output-on-failure --timeout 300 -R "^($(echo "$again" | paste -sd '|'))\$"
}

wine_up "$build"
wine_ctest "$@" || status=1

# The programs must not depend on the system's code page: run the end-to-end tests again
# with a non-Japanese locale (ANSI code page 1252).
if [ $# -eq 0 ]; then
  wine_down
  KP_TEST_LANG=C.UTF-8 wine_up "$build"
  wine_ctest -R 'KotopaneEndToEnd|^e2e' || status=1
fi
exit $status
