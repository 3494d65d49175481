#!/usr/bin/env bash
# Installs everything the build and the tests need on Debian 12 (run as root).
# Safe to run again: apt-get skips what is already there.
set -euo pipefail

need=(cmake ninja-build g++ make
      g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64
      wine64 wine xvfb xauth x11-utils libx11-dev imagemagick
      locales fonts-ipafont-gothic googletest python3
      meson pkg-config   # dav1d's build (meson 0.49 or later), for QX5's picture libraries
      nasm dpkg-dev    # libjpeg-turbo's SIMD, and unpacking its source package
      libjpeg-turbo-progs    # arithmetic-coded JPEGs for the damaged pictures
      webp libavif-bin libheif-examples x265)   # WebP, AVIF and HEIC test pictures

missing=()
for p in "${need[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

if ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$'; then
  sed -i 's/^# *ja_JP.UTF-8 UTF-8/ja_JP.UTF-8 UTF-8/' /etc/locale.gen
  grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen || echo 'ja_JP.UTF-8 UTF-8' >> /etc/locale.gen
  locale-gen >/dev/null
fi
