# Sourced: the project's Wine prefix of one Windows architecture, and a display for it.
# QUORVEL_WINE_ARCH is win32 (the default) or win64; each has a prefix of its own,
# .wineprefix-win32 or .wineprefix-win64 in the repository, unless QUORVEL_WINEPREFIX names one.
# Without DISPLAY a private Xvfb is started.
_repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export QUORVEL_WINE_ARCH=${QUORVEL_WINE_ARCH:-win32}
case $QUORVEL_WINE_ARCH in
  win32 | win64) ;;
  *) echo "QUORVEL_WINE_ARCH is '$QUORVEL_WINE_ARCH': win32 or win64, please" >&2; return 1 ;;
esac
export WINEARCH=$QUORVEL_WINE_ARCH
export WINEPREFIX=${QUORVEL_WINEPREFIX:-$_repo/.wineprefix-$QUORVEL_WINE_ARCH}
export WINEDEBUG=${WINEDEBUG:--all}
# No Mono or Gecko download prompts in a fresh prefix.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
if [ "$QUORVEL_WINE_ARCH" = win64 ]; then
  # Debian's wine command takes the 32-bit loader whenever wine32 is installed, and that
  # loader cannot start where the kernel runs no 32-bit programs: the 64-bit prefix calls
  # wine64 itself (tools/wine64 holds wine, wineboot and winepath doing so).
  case ":$PATH:" in *":$_repo/tools/wine64:"*) ;; *) export PATH="$_repo/tools/wine64:$PATH" ;; esac
  export WINELOADER=/usr/lib/wine/wine64
fi

# Sets DISPLAY to a display that answers, starting a private Xvfb (QUORVEL_XVFB_DISPLAY, :97
# by default) when there is none. A shell that started one ends it with quorvel_end_display,
# also when it is stopped: quorvel_ensure_display sets that trap itself (on EXIT, and in a
# script on INT and TERM, which then exit), unless QUORVEL_KEEP_TRAPS is set (the caller's own
# trap then calls quorvel_end_display).
quorvel_ensure_display() {
  if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then return 0; fi
  local n=${QUORVEL_XVFB_DISPLAY:-97}
  export DISPLAY=:$n
  if ! xdpyinfo >/dev/null 2>&1; then
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    QUORVEL_XVFB_PID=$!
    if [ -z "${QUORVEL_KEEP_TRAPS:-}" ]; then
      trap quorvel_end_display EXIT
      # A script stopped by Ctrl+C or a timeout ends its display too; a shell typed into keeps
      # Ctrl+C for itself.
      case $- in *i*) ;; *) trap 'exit 130' INT && trap 'exit 143' TERM ;; esac
    fi
    for _ in $(seq 1 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
  fi
}

# Ends the Xvfb this shell started (and the Wine programs of the prefix that show on it); a
# display that was there before is left as it is.
quorvel_end_display() {
  [ -n "${QUORVEL_XVFB_PID:-}" ] || return 0
  timeout 30 wineserver -k >/dev/null 2>&1 || true
  kill "$QUORVEL_XVFB_PID" 2>/dev/null || true
  wait "$QUORVEL_XVFB_PID" 2>/dev/null || true
  QUORVEL_XVFB_PID=
}

quorvel_ensure_prefix() {
  mkdir -p "$(dirname "$WINEPREFIX")"
  (
    flock 9
    if [ ! -f "$WINEPREFIX/.quorvel-ready" ]; then
      timeout 300 wineboot -i >/dev/null 2>&1 || true
      # A program that crashes ends at once: no crash dialog waiting for a click on a
      # display nobody looks at.
      timeout 60 wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1 || true
      timeout 120 wineserver -w || true
      touch "$WINEPREFIX/.quorvel-ready"
    fi
  ) 9>"$WINEPREFIX.lock"
}
