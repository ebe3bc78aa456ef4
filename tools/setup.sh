#!/usr/bin/env bash
# Installs everything the build, the tests and the Wine runs of both Windows architectures
# need on Debian 12 (as root, or through sudo). Quick when all is already there: it asks dpkg
# first and calls apt only for what is missing. Wine's 32-bit part is installed even where
# the kernel runs no 32-bit programs: the x86 build needs its files, not its loader.
set -euo pipefail

need=(cmake g++ make xxd bc googletest libgtest-dev libbenchmark-dev
      g++-mingw-w64-i686 binutils-mingw-w64-i686
      g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64 mingw-w64-tools
      wine wine64 wine32:i386 libwine-dev xvfb xauth x11-utils imagemagick
      libreoffice-core nsis fp-utils python3 clang libclang-rt-14-dev
      dpkg-dev lintian man-db groff-base bsdextrautils
      emscripten nodejs chromium)
# npm: Debian's package, unless a Node.js that brings its own is there.
command -v npm >/dev/null || need+=(npm)

as_root=()
[ "$(id -u)" = 0 ] || as_root=(sudo)

if ! dpkg --print-foreign-architectures | grep -qx i386; then
  "${as_root[@]}" dpkg --add-architecture i386
fi

missing=()
for p in "${need[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'ok installed' || missing+=("$p")
done

if ((${#missing[@]})); then
  export DEBIAN_FRONTEND=noninteractive
  "${as_root[@]}" apt-get update -qq
  "${as_root[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# The page's browser tests: puppeteer-core and axe-core as pinned by tests/web/package-lock.json,
# driving Debian's chromium (no browser of their own is downloaded).
repo=$(cd "$(dirname "$0")/.." && pwd)
web=$repo/tests/web
if ! cmp -s "$web/package-lock.json" "$web/node_modules/.installed-lock.json" 2>/dev/null; then
  (cd "$web" && PUPPETEER_SKIP_DOWNLOAD=1 npm ci --no-audit --no-fund --loglevel=error >/dev/null &&
    cp package-lock.json node_modules/.installed-lock.json)
fi
