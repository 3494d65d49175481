#!/usr/bin/env bash
# libjpeg-turbo for QX5.exe: Debian's source package, fetched through apt by name and
# cross-built for 64-bit Windows as a static library with SIMD (nasm), once per build folder.
#
#     bash scripts/libjpeg-turbo.sh BUILD_DIR
#
# Prints the folder of its CMake package (give it to CMake as libjpeg-turbo_DIR). The
# machine's apt configuration is left as it is: the source entries are private copies of the
# machine's own entries (deb-src instead of deb), with their own lists and cache under
# BUILD_DIR/libjpeg-turbo. A second run finds the stamp and does nothing.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(mkdir -p "$1" && cd "$1" && pwd)
top="$build/libjpeg-turbo"
prefix="$top/install"
stamp="$prefix/kp-built"
# QX5 needs the extended colour spaces (BGRX) and the CMake package, both in 2.1.
min_version=2.1

if [ -f "$stamp" ] && [ -d "$prefix/lib/cmake/libjpeg-turbo" ]; then
  echo "$prefix/lib/cmake/libjpeg-turbo"
  exit 0
fi

# The machine's own package sources, as source entries in a private folder.
apt_dir="$top/apt"
rm -rf "$apt_dir"
mkdir -p "$apt_dir/sources" "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial"
n=0
for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list /etc/apt/sources.list.d/*.sources; do
  [ -f "$f" ] || continue
  n=$((n + 1))
  case "$f" in
    *.sources) sed -E 's/^Types:.*/Types: deb-src/' "$f" > "$apt_dir/sources/$n.sources" ;;
    *) sed -nE 's/^deb[[:space:]]/deb-src /p' "$f" > "$apt_dir/sources/$n.list" ;;
  esac
done
apt_opts=(-o Dir::Etc::SourceList=/dev/null -o Dir::Etc::SourceParts="$apt_dir/sources"
          -o Dir::State::Lists="$apt_dir/lists" -o Dir::Cache="$apt_dir/cache"
          -o APT::Sandbox::User=root -qq)

src_parent="$top/source"
rm -rf "$src_parent"
mkdir -p "$src_parent"
echo "libjpeg-turbo: fetching Debian's source package" >&2
# A third-party entry without source indexes fails its part of the update; the Debian
# entries are what counts, and the source fetch below says so when they are missing.
apt-get "${apt_opts[@]}" update >&2 || echo "libjpeg-turbo: some package sources have no source index" >&2
(cd "$src_parent" && apt-get "${apt_opts[@]}" source libjpeg-turbo >&2)
src=$(find "$src_parent" -mindepth 1 -maxdepth 1 -type d -name 'libjpeg-turbo-*' | head -n 1)
[ -n "$src" ] && [ -f "$src/CMakeLists.txt" ] || { echo "libjpeg-turbo: no source unpacked" >&2; exit 1; }

version=$(sed -nE 's/^project\(libjpeg-turbo.*VERSION ([0-9.]+).*/\1/p' "$src/CMakeLists.txt" | head -n 1)
[ -n "$version" ] || version=$(sed -nE 's/^set\(VERSION ([0-9.]+)\)/\1/p' "$src/CMakeLists.txt" | head -n 1)
if [ -z "$version" ] || [ "$(printf '%s\n%s\n' "$min_version" "$version" | sort -V | head -n 1)" != "$min_version" ]; then
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
echo "$version" > "$stamp"
echo "$prefix/lib/cmake/libjpeg-turbo"
