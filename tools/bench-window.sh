#!/usr/bin/env bash
# Times the main window's conversion run under Wine: 1 MB and 10 MB random files by default,
# or the sizes in MB given as arguments.
#   tools/bench-window.sh [BUILD_DIR] [MB ...]
set -euo pipefail
repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-$repo/build/mainwindow}
shift || true
if [ ! -x "$build/bin/bench_window.exe" ]; then
  cmake --build "$build" --target bench_window -j2
fi
exec timeout 900 "$repo/tools/wine-run.sh" "$build/bin/bench_window.exe" "$@"
