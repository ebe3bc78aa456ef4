#!/usr/bin/env bash
# Builds everything (natively, and for 32-bit and 64-bit Windows) and runs every test this
# host can run: the native ones, the page's in headless chromium, then the Windows ones of each architecture under Wine + Xvfb
# in that architecture's own prefix. Installs what it needs on first use.
#
# 32-bit Windows programs need a kernel that runs 32-bit Linux programs (Wine's 32-bit
# loader is one); where it does not, the x86 build is still made and one line says why its
# tests did not run. 64-bit Windows programs run on every x86-64 host. A host that runs
# neither fails. QUORVEL_SIMULATE_NO_I386=1 acts as a host without 32-bit support.
# The exit status is non-zero when anything failed.
set -uo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
cd "$repo"
jobs=$(nproc)

bash tools/setup.sh || exit 1

status=0
step() { echo; echo "== $*"; }
started=$(date +%s)

# Why this host cannot run an architecture's Windows programs; nothing when it can.
why_not() {
  case $1 in
    win32)
      if [ "${QUORVEL_SIMULATE_NO_I386:-0}" = 1 ]; then
        echo "QUORVEL_SIMULATE_NO_I386=1 stands for a kernel without 32-bit support"
      elif [ ! -x /usr/lib/wine/wine ] || [ ! -x /usr/lib/wine/wineserver32 ]; then
        echo "Wine's 32-bit loader (wine32:i386) is not installed"
      elif ! /lib/ld-linux.so.2 --version >/dev/null 2>&1 || ! /usr/lib/wine/wineserver32 --version >/dev/null 2>&1; then
        echo "this kernel does not run 32-bit programs (/lib/ld-linux.so.2 --version fails)"
      fi ;;
    win64)
      if [ ! -x /usr/lib/wine/wine64 ] || ! /usr/lib/wine/wineserver64 --version >/dev/null 2>&1; then
        echo "Wine's 64-bit loader (wine64) does not start here"
      fi ;;
  esac
}

step "native build"
cmake -S . -B build/native -DCMAKE_BUILD_TYPE=Release >/dev/null &&
  cmake --build build/native -j"$jobs" || exit 1

step "native tests"
(cd build/native && ctest --output-on-failure -j"$jobs") || status=1

# The page: the engine built with Emscripten into build/web/quorvel.html, then driven in
# headless chromium from file:// and compared with the native quorvel-gen built above.
step "web page build (Emscripten) and browser tests"
if emcmake cmake -S . -B build/web -DCMAKE_BUILD_TYPE=Release -DQUORVEL_GEN="$repo/build/native/bin/quorvel-gen" >/dev/null &&
   cmake --build build/web -j"$jobs"; then
  echo "page: build/web/quorvel.html ($(stat -c %s build/web/quorvel.html) bytes)"
  QUORVEL_PAGE="$repo/build/web/quorvel.html" QUORVEL_GEN="$repo/build/native/bin/quorvel-gen" \
    timeout 900 node --test --test-reporter=spec tests/web/ || status=1
else
  echo "FAILED: the web page did not build" >&2
  status=1
fi

win32_skip=$(why_not win32)
win64_skip=$(why_not win64)

step "32-bit Windows build (x86)"
cmake -S . -B build/win32 --no-warn-unused-cli -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null &&
  cmake --build build/win32 -j"$jobs" || exit 1

# The x64 build's side-by-side setup test installs the x86 setup too: only where both run.
x86_setup=
[ -z "$win32_skip" ] && x86_setup=$repo/build/win32/QuorvelSetup-x86.exe
step "64-bit Windows build (x64)"
cmake -S . -B build/win64 --no-warn-unused-cli -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake -DCMAKE_BUILD_TYPE=Release \
  -DQUORVEL_X86_SETUP="$x86_setup" >/dev/null &&
  cmake --build build/win64 -j"$jobs" || exit 1

ran=()
for arch in win32 win64; do
  skip=${arch}_skip
  if [ -n "${!skip}" ]; then
    echo
    if [ "$arch" = win32 ]; then
      echo "NOT RUN: the 32-bit Windows (x86) tests, because ${!skip}."
    else
      echo "NOT RUN: the 64-bit Windows (x64) tests, because ${!skip}."
    fi
    continue
  fi
  step "Windows tests under Wine: $arch"
  # One at a time: the GUI tests share a display and a prefix. A display started here ends
  # with this subshell (quorvel_ensure_display's trap), stopped or not.
  (
    export QUORVEL_WINE_ARCH=$arch
    unset QUORVEL_WINEPREFIX
    source tools/wine-env.sh
    quorvel_ensure_display
    quorvel_ensure_prefix
    cd "build/$arch" && ctest --output-on-failure
    result=$?
    timeout 30 wineserver -k 2>/dev/null || true
    exit $result
  ) || status=1
  ran+=("$arch")
done

step "packages: tools/package.sh twice, the .deb installed, the zips' quorvel-gen.exe under Wine"
QUORVEL_WINE_ARCHES="${ran[*]}" bash tests/package/package_test.sh || status=1

if [ ${#ran[@]} -eq 0 ]; then
  echo
  echo "FAILED: this host runs no Windows architecture, so no Windows test ran." >&2
  status=1
fi
echo
echo "== test.sh ran: native ${ran[*]} in $(( $(date +%s) - started )) s; $([ $status = 0 ] && echo "all passed" || echo "FAILURES above")"
exit $status
