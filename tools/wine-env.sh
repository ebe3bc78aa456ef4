# Sourced: the project's own Wine prefix and a display for it.
# QUORVEL_WINEPREFIX overrides the prefix; without DISPLAY a private Xvfb is started.
_repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export WINEPREFIX=${QUORVEL_WINEPREFIX:-$_repo/.wineprefix}
export WINEARCH=win32
export WINEDEBUG=${WINEDEBUG:--all}
# No Mono or Gecko download prompts in a fresh prefix.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}

quorvel_ensure_display() {
  if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then return 0; fi
  local n=${QUORVEL_XVFB_DISPLAY:-97}
  export DISPLAY=:$n
  if ! xdpyinfo >/dev/null 2>&1; then
    (setsid Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &)
    for _ in $(seq 1 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
  fi
}

quorvel_ensure_prefix() {
  mkdir -p "$(dirname "$WINEPREFIX")"
  (
    flock 9
    if [ ! -f "$WINEPREFIX/.quorvel-ready" ]; then
      timeout 300 wineboot -i >/dev/null 2>&1 || true
      timeout 120 wineserver -w || true
      touch "$WINEPREFIX/.quorvel-ready"
    fi
  ) 9>"$(dirname "$WINEPREFIX")/.wineprefix.lock"
}
