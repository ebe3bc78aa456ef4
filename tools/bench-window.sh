#!/usr/bin/env bash
# Times the main window's conversion run under Wine: 1 MB and 10 MB random files by default,
# or the sizes in MB given as arguments, in the 32-bit (win32, the default) or the 64-bit
# (win64) program.
#   tools/bench-window.sh [win32|win64] [BUILD_DIR] [MB ...]
set -euo pipefail
repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
arch=win32
case ${1:-} in win32 | win64) arch=$1; shift ;; esac
if [ "$arch" = win64 ]; then toolchain=cmake/mingw-x86_64.cmake; else toolchain=cmake/mingw-i686.cmake; fi
build=${1:-$repo/build/$arch}
shift || true
if [ ! -x "$build/bin/bench_window.exe" ]; then
  [ -f "$build/CMakeCache.txt" ] ||
    cmake -S "$repo" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$repo/$toolchain" -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build "$build" --target bench_window -j2
fi
exec timeout 900 "$repo/tools/wine-run.sh" "$arch" "$build/bin/bench_window.exe" "$@"
