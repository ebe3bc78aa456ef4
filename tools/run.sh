#!/usr/bin/env bash
# Builds Quorvel and starts it under Wine, in the project's prefix of its architecture, with
# the folder-browse control Pathwell.ocx registered there: the 32-bit program where this
# host runs 32-bit programs, the 64-bit one otherwise. It says which.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
cd "$repo"

bash tools/setup.sh
if [ "${QUORVEL_SIMULATE_NO_I386:-0}" != 1 ] && [ -x /usr/lib/wine/wine ] &&
   /lib/ld-linux.so.2 --version >/dev/null 2>&1 && /usr/lib/wine/wineserver32 --version >/dev/null 2>&1; then
  arch=win32 toolchain=cmake/mingw-i686.cmake
  echo "Starting the 32-bit Quorvel (x86, build/win32)."
else
  arch=win64 toolchain=cmake/mingw-x86_64.cmake
  echo "Starting the 64-bit Quorvel (x64, build/win64): this host does not run 32-bit programs."
fi
build=build/$arch
cmake -S . -B "$build" --no-warn-unused-cli -DCMAKE_TOOLCHAIN_FILE=$toolchain -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j"$(nproc)" --target Quorvel Pathwell helpfile >/dev/null

export QUORVEL_WINE_ARCH=$arch
source tools/wine-env.sh
if [ -z "${DISPLAY:-}" ] || ! xdpyinfo >/dev/null 2>&1; then
  echo "No X display: Quorvel is a Windows desktop program and needs one to show its window." >&2
  echo "Run this from a desktop session, or under a virtual one: xvfb-run -a bash tools/run.sh" >&2
  echo "(quorvel-gen, the command-line converter, needs none: see the README)." >&2
  exit 1
fi
quorvel_ensure_prefix
wine regsvr32 /s "$(winepath -w "$build/bin/Pathwell.ocx")" >/dev/null 2>&1 || true
exec wine "$build/bin/Quorvel.exe"
