#!/usr/bin/env bash
# libjpeg-turbo for QX5.exe: Debian's source package, fetched through apt by name and pinned
# version and cross-built for 64-bit Windows as a static library with SIMD (nasm), once per
# build folder.
#
#     bash scripts/libjpeg-turbo.sh BUILD_DIR
#
# Prints the folder of its CMake package (give it to CMake as libjpeg-turbo_DIR). The
# machine's apt configuration is left as it is (scripts/debian-source.sh keeps private source
# entries under BUILD_DIR). A second run finds the stamp and does nothing.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(mkdir -p "$1" && cd "$1" && pwd)
top="$build/libjpeg-turbo"
prefix="$top/install"
stamp="$prefix/kp-built"
. "$root/scripts/debian-source.sh"
# Bookworm's: the version the converter's scaled decode was measured with.
debian_version=1:2.1.5-2
# QX5 needs the extended colour spaces (BGRX) and the CMake package, both in 2.1.
min_version=2.1

if [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$debian_version" ] && [ -d "$prefix/lib/cmake/libjpeg-turbo" ]; then
  echo "$prefix/lib/cmake/libjpeg-turbo"
  exit 0
fi

debian_source_init "$build"
src=$(debian_source_fetch libjpeg-turbo "$debian_version" "$top/source")
[ -f "$src/CMakeLists.txt" ] || { echo "libjpeg-turbo: no source unpacked" >&2; exit 1; }

version=$(sed -nE 's/^project\(libjpeg-turbo.*VERSION ([0-9.]+).*/\1/p' "$src/CMakeLists.txt" | head -n 1)
[ -n "$version" ] || version=$(sed -nE 's/^set\(VERSION ([0-9.]+)\)/\1/p' "$src/CMakeLists.txt" | head -n 1)
if ! debian_source_at_least "$version" "$min_version"; then
  echo "libjpeg-turbo: version '$version' found, $min_version or later needed" >&2
  exit 1
fi

echo "libjpeg-turbo $version: building (static, SIMD)" >&2
rm -rf "$top/build" "$prefix"
# CMAKE_INSTALL_PREFIX is needed with this toolchain: the package-config step fails without it.
cmake -S "$src" -B "$top/build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" -DCMAKE_INSTALL_PREFIX="$prefix" \
      -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_TURBOJPEG=OFF -DREQUIRE_SIMD=ON -Wno-dev >/dev/null
cmake --build "$top/build" -j "$(nproc)" >/dev/null
cmake --install "$top/build" >/dev/null
# The licence texts that ship with QX5.exe: LICENSE.md (with the BSD licence's text),
# README.ijg (the IJG licence) and the zlib licence of the SIMD extensions, which LICENSE.md
# only names; its text is the head of the SIMD code's common include file.
mkdir -p "$prefix/licences"
cp "$src/LICENSE.md" "$src/README.ijg" "$prefix/licences/"
{
  echo "The libjpeg-turbo SIMD extensions are covered by the zlib License:"
  sed -n '2,/^; 3\./p' "$src/simd/nasm/jsimdext.inc" | sed -E 's/^; ?//'
} > "$prefix/licences/LICENSE-zlib.txt"
grep -q "This notice may not be removed" "$prefix/licences/LICENSE-zlib.txt" \
  || { echo "libjpeg-turbo: the zlib licence text was not found" >&2; exit 1; }
printf 'libjpeg-turbo\t%s\t%s\n' "$version" "$debian_version" > "$prefix/versions.txt"
echo "$debian_version" > "$stamp"
echo "$prefix/lib/cmake/libjpeg-turbo"
