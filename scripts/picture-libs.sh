#!/usr/bin/env bash
# QX5's WebP, HEIF and AVIF decoders: Debian's source packages of libwebp, libheif, libde265
# and dav1d, fetched through apt by name and pinned version and cross-built for 64-bit
# Windows into one prefix, once per build folder.
#
#     bash scripts/picture-libs.sh BUILD_DIR
#
# Prints the prefix (give it to CMake in CMAKE_PREFIX_PATH); progress goes to stderr. libwebp
# and dav1d are static (libwebp goes into QX5, dav1d into libheif.dll); libheif and libde265
# are LGPL and become DLLs a user may replace. Each DLL carries its own C and C++ runtime and
# imports only system DLLs and the other one. A second run finds the stamp and does nothing.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(mkdir -p "$1" && cd "$1" && pwd)
top="$build/picture-libs"
prefix="$top/install"
stamp="$prefix/kp-built"
. "$root/scripts/debian-source.sh"
shopt -s nullglob

# The newest versions of the suites whose files the mirror serves, security updates included:
# newer ones are listed (libheif 1.23.6 in trixie, libde265 1.1.3 in trixie-security) but not
# served. libheif before 1.18 refuses photos from iOS 18 and later.
libs=(libwebp dav1d libde265 libheif)
declare -A pin=([libwebp]=1.5.0-0.1 [dav1d]=1.5.1-1 [libde265]=1.0.15-1+deb13u2 [libheif]=1.19.7-1~bpo12+1)
declare -A min_version=([libwebp]=1.2 [dav1d]=1.0 [libde265]=1.0.8 [libheif]=1.18)
# Our own changes, applied after Debian's (scripts/patches/LIB-*.patch), ship beside the
# licence texts: with Debian's source package they are the source of what is shipped.
patches=("$root"/scripts/patches/*.patch)
pins=$(for lib in "${libs[@]}"; do echo "$lib=${pin[$lib]}"; done; cat /dev/null "${patches[@]}" | sha256sum)

if [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$pins" ]; then
  echo "$prefix"
  exit 0
fi

# The version a source tree builds, read from its own build files.
upstream_version() {
  case $1 in
    libwebp) sed -nE 's/^AC_INIT\(\[libwebp\], \[([0-9.]+)\].*/\1/p' "$2/configure.ac" ;;
    dav1d) sed -nE "s/^[[:space:]]*version[[:space:]]*:[[:space:]]*'([0-9.]+)'.*/\1/p" "$2/meson.build" ;;
    libde265|libheif) tr '\n' ' ' < "$2/CMakeLists.txt" | sed -nE 's/.*project ?\([^)]*VERSION ([0-9.]+).*/\1/p' ;;
  esac | head -n 1
}

debian_source_init "$build"
declare -A src version
for lib in "${libs[@]}"; do
  started=$(date +%s%3N)
  src[$lib]=$(debian_source_fetch "$lib" "${pin[$lib]}" "$top/source/$lib")
  version[$lib]=$(upstream_version "$lib" "${src[$lib]}")
  if ! debian_source_at_least "${version[$lib]}" "${min_version[$lib]}"; then
    echo "$lib: version '${version[$lib]}' unpacked, ${min_version[$lib]} or later needed" >&2
    exit 1
  fi
  for patch in "$root/scripts/patches/$lib"-*.patch; do
    echo "$lib: applying $(basename "$patch")" >&2
    patch -d "${src[$lib]}" -p1 --forward --quiet < "$patch" >&2
  done
  echo "$lib ${version[$lib]}: fetched and unpacked in $(( $(date +%s%3N) - started )) ms" >&2
done

rm -rf "$top/build" "$prefix"
mkdir -p "$top/build" "$top/logs" "$prefix"
jobs=$(nproc)
toolchain="$root/cmake/mingw-w64-x86_64.cmake"
# Only this prefix's packages, never the machine's own (they are Linux libraries).
export PKG_CONFIG_LIBDIR="$prefix/lib/pkgconfig" PKG_CONFIG_PATH=

# Runs one build step with its output in the library's log, shown when the step fails.
step() {
  local lib=$1
  shift
  if ! "$@" >>"$top/logs/$lib.log" 2>&1; then
    tail -n 40 "$top/logs/$lib.log" >&2
    echo "$lib: build failed (the whole log: $top/logs/$lib.log)" >&2
    exit 1
  fi
}

cmake_lib() {
  local lib=$1
  shift
  step "$lib" cmake -S "${src[$lib]}" -B "$top/build/$lib" -G Ninja -DCMAKE_BUILD_TYPE=Release \
       -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_INSTALL_LIBDIR=lib -Wno-dev "$@"
  step "$lib" cmake --build "$top/build/$lib" -j "$jobs"
  step "$lib" cmake --install "$top/build/$lib" --strip
}

# The DLLs link their runtimes statically, so that they need nothing beside them but each other.
dll_flags="-static -static-libgcc -static-libstdc++"

build_libwebp() {
  cmake_lib libwebp -DBUILD_SHARED_LIBS=OFF -DWEBP_ENABLE_SIMD=ON -DWEBP_BUILD_LIBWEBPMUX=OFF \
            -DWEBP_BUILD_ANIM_UTILS=OFF -DWEBP_BUILD_CWEBP=OFF -DWEBP_BUILD_DWEBP=OFF -DWEBP_BUILD_GIF2WEBP=OFF \
            -DWEBP_BUILD_IMG2WEBP=OFF -DWEBP_BUILD_VWEBP=OFF -DWEBP_BUILD_WEBPINFO=OFF -DWEBP_BUILD_WEBPMUX=OFF \
            -DWEBP_BUILD_EXTRAS=OFF
}

# 8 bits and the high bit depths (10-bit AVIF), with its assembly.
build_dav1d() {
  local cross="$top/build/meson-cross.ini"
  cat > "$cross" <<EOF
[binaries]
c = 'x86_64-w64-mingw32-gcc-posix'
cpp = 'x86_64-w64-mingw32-g++-posix'
ar = 'x86_64-w64-mingw32-ar'
strip = 'x86_64-w64-mingw32-strip'
windres = 'x86_64-w64-mingw32-windres'
nasm = 'nasm'
pkgconfig = 'pkg-config'

[host_machine]
system = 'windows'
cpu_family = 'x86_64'
cpu = 'x86_64'
endian = 'little'
EOF
  step dav1d meson setup --cross-file "$cross" --prefix "$prefix" --libdir lib --buildtype release \
       --default-library static -Dbitdepths=8,16 -Denable_asm=true -Denable_tools=false \
       -Denable_tests=false -Denable_examples=false -Dlogging=false "$top/build/dav1d" "${src[dav1d]}"
  step dav1d ninja -C "$top/build/dav1d" -j "$jobs"
  step dav1d meson install -C "$top/build/dav1d" --no-rebuild
}

# Without visibility support for Windows libde265 would export every symbol of its own and of
# the runtimes linked into it; the .def file keeps its exports to the decoder API of de265.h.
build_libde265() {
  local def="$top/build/libde265.def"
  { echo EXPORTS
    tr '\n' ' ' < "${src[libde265]}/libde265/de265.h" | grep -oE 'LIBDE265_API[^;{]*\(' \
      | sed -E 's/[[:space:]]*\($//; s/.*[^A-Za-z0-9_]//' | sort -u
  } > "$def"
  [ "$(wc -l < "$def")" -gt 20 ] || { echo "libde265: the decoder API was not found in de265.h" >&2; exit 1; }
  cmake_lib libde265 -DBUILD_SHARED_LIBS=ON -DENABLE_SDL=OFF -DENABLE_DECODER=OFF -DENABLE_ENCODER=OFF \
            "-DCMAKE_SHARED_LINKER_FLAGS=$dll_flags $def"
}

# The two decoders built in (no plugins to load from elsewhere), nothing that encodes.
build_libheif() {
  local off=() o
  for o in X265 KVAZAAR UVG266 VVDEC VVENC OpenH264_DECODER AOM_DECODER AOM_ENCODER SvtEnc RAV1E JPEG_DECODER \
           JPEG_ENCODER OpenJPEG_ENCODER OpenJPEG_DECODER FFMPEG_DECODER OPENJPH_ENCODER LIBSHARPYUV EXAMPLES \
           GDK_PIXBUF; do
    off+=("-DWITH_$o=OFF")
  done
  cmake_lib libheif -DBUILD_SHARED_LIBS=ON -DENABLE_PLUGIN_LOADING=OFF -DBUILD_TESTING=OFF "${off[@]}" \
            -DWITH_LIBDE265=ON -DWITH_LIBDE265_PLUGIN=OFF \
            -DLIBDE265_INCLUDE_DIR="$prefix/include" -DLIBDE265_LIBRARY="$prefix/lib/libde265.dll.a" \
            -DWITH_DAV1D=ON -DWITH_DAV1D_PLUGIN=OFF \
            -DDAV1D_INCLUDE_DIR="$prefix/include" -DDAV1D_LIBRARY="$prefix/lib/libdav1d.a" \
            "-DCMAKE_SHARED_LINKER_FLAGS=$dll_flags"
}

for lib in "${libs[@]}"; do
  echo "$lib ${version[$lib]}: building" >&2
  started=$(date +%s)
  "build_$lib"
  echo "$lib ${version[$lib]}: built in $(( $(date +%s) - started )) s" >&2
done

for dll in libde265 libheif; do
  imports=$(x86_64-w64-mingw32-objdump -p "$prefix/bin/$dll.dll" | sed -nE 's/^[[:space:]]*DLL Name: //p' \
            | grep -viE '^(kernel32|msvcrt|libde265)\.dll$' || true)
  [ -z "$imports" ] || { echo "$dll.dll imports more than system DLLs: $imports" >&2; exit 1; }
done

# The licence texts that ship beside QX5, one folder per library: the upstream texts and
# Debian's copyright file, which also names the licences of the parts each bundles (dav1d's
# x86inc.asm, libde265's win32cond.c).
for lib in "${libs[@]}"; do
  mkdir -p "$prefix/licences/$lib"
  cp "${src[$lib]}/COPYING" "${src[$lib]}/debian/copyright" "$prefix/licences/$lib/"
done
cp "${src[libwebp]}/PATENTS" "$prefix/licences/libwebp/"
for lib in "${libs[@]}"; do
  for patch in "$root/scripts/patches/$lib"-*.patch; do
    cp "$patch" "$prefix/licences/$lib/"
  done
done

# What each library was built from, for the build's record and the readme.
for lib in "${libs[@]}"; do
  printf '%s\t%s\t%s\n' "$lib" "${version[$lib]}" "${pin[$lib]}"
done > "$prefix/versions.txt"
echo "$pins" > "$stamp"
echo "$prefix"
