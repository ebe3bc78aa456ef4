#!/usr/bin/env bash
# Builds Quorvel for 32-bit Windows and starts it under Wine, in the project's own prefix,
# with the folder-browse control Pathwell.ocx registered there.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
cd "$repo"

bash tools/setup.sh
build=build/win32
cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j"$(nproc)" --target Quorvel Pathwell helpfile >/dev/null

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
