#!/usr/bin/env bash
# Builds everything, natively and for 32-bit Windows, and runs every test (the Windows ones
# under Wine + Xvfb in the project's own prefix). Installs what it needs on first use.
set -uo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
cd "$repo"
jobs=$(nproc)

bash tools/setup.sh || exit 1

status=0
step() { echo; echo "== $*"; }

step "native build"
cmake -S . -B build/native -DCMAKE_BUILD_TYPE=Release >/dev/null &&
  cmake --build build/native -j"$jobs" || exit 1

step "native tests"
(cd build/native && ctest --output-on-failure -j"$jobs") || status=1

step "32-bit Windows build"
cmake -S . -B build/win32 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null &&
  cmake --build build/win32 -j"$jobs" || exit 1

step "Windows tests under Wine"
source tools/wine-env.sh
quorvel_ensure_display
quorvel_ensure_prefix
# One at a time: the GUI tests share a display and a prefix.
(cd build/win32 && ctest --output-on-failure) || status=1
wineserver -k 2>/dev/null || true

exit $status
