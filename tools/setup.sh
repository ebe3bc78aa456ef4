#!/usr/bin/env bash
# Installs everything the build, the tests and the Wine runs need on Debian 12 (as root).
# Quick when all is already there: it asks dpkg first and calls apt only for what is missing.
set -euo pipefail

need=(cmake g++ make xxd bc googletest libgtest-dev libbenchmark-dev
      g++-mingw-w64-i686 mingw-w64-tools binutils-mingw-w64-i686
      wine wine32:i386 libwine-dev xvfb xauth x11-utils imagemagick
      libreoffice-core nsis fp-utils python3)

if ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
  updated=0
fi

missing=()
for p in "${need[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'ok installed' || missing+=("$p")
done

if ((${#missing[@]})); then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
