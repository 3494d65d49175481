#!/usr/bin/env bash
# Builds the Release programs and packs the release: dist/Kotopane-VERSION-win64.zip and
# its .sha256, VERSION being the CMake project version. The zip holds the program folder
# as a user unpacks it (Kotopane/App, Kotopane/部品 and the readme), never a settings folder.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="${KP_BUILD_DIR:-$root/build}"

bash "$root/scripts/install-deps.sh"
jpeg_dir=$(bash "$root/scripts/libjpeg-turbo.sh" "$build")
pictures_dir=$(bash "$root/scripts/picture-libs.sh" "$build")
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKP_LIBJPEG_TURBO=ON -Dlibjpeg-turbo_DIR="$jpeg_dir" \
      -DKP_LIBWEBP=ON -DKP_LIBHEIF=ON -DCMAKE_PREFIX_PATH="$pictures_dir" \
      -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" >/dev/null
cmake --build "$build" -j "$(nproc)" --target Kotopane QX5

zip=$(python3 "$root/scripts/release-zip.py" "$build" "$root/dist")
echo "$zip"
cat "$zip.sha256"
