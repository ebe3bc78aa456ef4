#!/usr/bin/env bash
# Fuzzes the module generator and reader with libFuzzer (clang).
#   tools/fuzz.sh [SECONDS]          run for SECONDS (default 60); the corpus grows in
#                                    build/fuzz/corpus, crashes land in build/fuzz/artifacts
#   tools/fuzz.sh --seeds [BUILDDIR] a few seconds from the committed seeds only (the tests)
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
seeds=$repo/engine/fuzz/seeds

mode=timed
seconds=60
build=$repo/build/fuzz
if [ "${1:-}" = "--seeds" ]; then
  mode=seeds
  seconds=4
  build=${2:-$build}
elif [ -n "${1:-}" ]; then
  seconds=$1
fi

cxx=$(command -v clang++ || command -v clang++-14 || true)
cc=$(command -v clang || command -v clang-14 || true)
if [ -z "$cxx" ] || [ -z "$cc" ]; then
  echo "fuzz.sh: clang is not installed" >&2
  exit 1
fi

# Build quietly; the build log is shown only when it fails.
log=$(mktemp)
trap 'rm -f "$log"' EXIT
if ! { cmake -S "$repo" -B "$build" -DCMAKE_CXX_COMPILER="$cxx" -DCMAKE_C_COMPILER="$cc" \
         -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORVEL_PARTS=engine -DQUORVEL_FUZZ=ON &&
       cmake --build "$build" -j2 --target engine_fuzzer; } >"$log" 2>&1; then
  cat "$log" >&2
  exit 1
fi
fuzzer=$build/bin/engine_fuzzer

mkdir -p "$build/artifacts"
if [ "$mode" = seeds ]; then
  # A scratch copy: the committed seeds stay as they are.
  corpus=$(mktemp -d)
  trap 'rm -f "$log"; rm -rf "$corpus"' EXIT
  cp "$seeds"/* "$corpus"/
else
  corpus=$build/corpus
  mkdir -p "$corpus"
  cp -n "$seeds"/* "$corpus"/
fi
exec "$fuzzer" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 -max_len=8192 \
  -print_final_stats=1 -artifact_prefix="$build/artifacts/" "$corpus"
