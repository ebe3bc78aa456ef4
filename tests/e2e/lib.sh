# Sourced by every end-to-end script: a Wine prefix of the e2e tests' own, a display, a
# fresh work folder, the autodrive helper and the clean-up that stops every Wine process
# of that prefix when the script ends (also on failure or timeout).
set -euo pipefail

E2E_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
QUORVEL_SOURCE=${QUORVEL_SOURCE:-$(cd "$E2E_DIR/../.." && pwd)}
: "${QUORVEL_BUILD:?QUORVEL_BUILD must name the cross build folder}"
BIN=$QUORVEL_BUILD/bin
AUTODRIVE=${AUTODRIVE:-$BIN/autodrive.exe}
ARTIFACTS=$QUORVEL_BUILD/e2e-artifacts
export QUORVEL_WINEPREFIX=${QUORVEL_E2E_PREFIX:-$QUORVEL_BUILD/e2e-prefix}
# No sound device on the test machines: without the audio drivers the key click falls
# silent at once instead of filling the log with the sound system's complaints (and slowing
# the program down), also when the caller's environment has overrides of its own.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=};winealsa.drv,winepulse.drv,wineoss.drv="
# shellcheck source=../../tools/wine-env.sh
source "$QUORVEL_SOURCE/tools/wine-env.sh"

E2E_NAME=${E2E_NAME:-$(basename "$0" .sh)}
WORK=$QUORVEL_BUILD/e2e-work/$E2E_NAME

fail() {
  echo "FAIL ($E2E_NAME): $*" >&2
  exit 1
}

XVFB_PID=
e2e_cleanup() {
  timeout 30 wineserver -k >/dev/null 2>&1 || true
  if [ -n "$XVFB_PID" ]; then kill "$XVFB_PID" 2>/dev/null || true; fi
}

# A display of the e2e tests' own, so that no other program's window covers theirs in
# screenshots; started here and stopped by the clean-up.
e2e_display() {
  export DISPLAY=:${QUORVEL_E2E_DISPLAY:-93}
  xdpyinfo >/dev/null 2>&1 && return 0
  Xvfb "$DISPLAY" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
  XVFB_PID=$!
  for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && return 0; sleep 0.1; done
  fail "Xvfb did not start on $DISPLAY"
}

e2e_begin() {
  for f in "$@"; do
    [ -e "$BIN/$f" ] || fail "$BIN/$f is not built"
  done
  [ -e "$AUTODRIVE" ] || fail "$AUTODRIVE is not built"
  trap e2e_cleanup EXIT
  trap 'exit 143' TERM INT   # ctest's timeout: still clean up
  e2e_display
  quorvel_ensure_prefix
  # Nothing left from an earlier, interrupted run of this prefix.
  timeout 30 wineserver -k >/dev/null 2>&1 || true
  timeout 30 wineserver -p10 >/dev/null 2>&1 || true
  rm -rf "$WORK"
  mkdir -p "$WORK" "$ARTIFACTS"
}

# Windows form of a path below / (Wine's drive Z:).
winpath() { local p=${1//\//\\}; echo "Z:$p"; }

# Runs autodrive with every argument as one command; its own waits are bounded, the
# timeout here only guards against Wine itself hanging.
ad() { timeout "${AD_TIMEOUT:-180}" wine "$AUTODRIVE" "$@"; }

# The main window, bound as "main", ahead of the given commands.
adm() { ad "wait-window * Quorvel 20000 as main" "$@"; }

# A fresh program folder with the program, the control library and the help file, as a
# user would unpack them. Prints the folder.
fresh_app_folder() {
  local dir=$WORK/${1:-app}
  mkdir -p "$dir"
  cp "$BIN/Quorvel.exe" "$dir/"
  [ -e "$BIN/Pathwell.ocx" ] && cp "$BIN/Pathwell.ocx" "$dir/"
  [ -e "$BIN/helpfile.chm" ] && cp "$BIN/helpfile.chm" "$dir/"
  echo "$dir"
}

# Screenshot of a window's client area (geometry from autodrive) into the artifacts.
screenshot() {
  local name=$1 geometry=$2
  import -window root -crop "$geometry" +repage "$ARTIFACTS/$name.png"
  echo "screenshot: $ARTIFACTS/$name.png ($geometry)"
}

# A reproducible file of `size` bytes holding every byte value, CR, LF and quotes included.
make_source() {
  python3 - "$1" "$2" <<'PY'
import random, sys
size = int(sys.argv[2])
rng = random.Random(20)
data = bytes(range(256)) + b'\r\n"\x00\x1a\r\r\n\n"' + rng.randbytes(size)
open(sys.argv[1], "wb").write(data[:size])
PY
}

# ---- the main window -------------------------------------------------------------------
# Its controls by identifier (C_<row of frmMain's control table>='#<id>') and every window at
# its place at 96 DPI (MAIN_LAYOUT), read from the sources that make the window, so that a
# reordered or moved row cannot leave this file behind.
main_window_facts=$(python3 "$E2E_DIR/main_window_facts.py" "$QUORVEL_SOURCE") || fail "cannot read the main window's table"
eval "$main_window_facts"
C_SOURCE=$C_txtSourceFile
C_BROWSE_SOURCE=$C_Command1
C_OTHER_TEXT=$C_txtOtherLocation
C_BROWSE_DIR=$C_btnSelectDir
C_OUTPUT=$C_Text1

main_layout_checks() {
  local row
  for row in "${MAIN_LAYOUT[@]}"; do
    echo "expect-rect main ${row%% *} ${row#* }"
  done
}

# ---- the setup programs ----------------------------------------------------------------
# What the setup of one architecture (x86 or x64) installs: sets SETUP_EXE (in this build),
# SETUP_NAME (Start-menu folder and shortcuts), SETUP_KEY (uninstall entry) and SETUP_SYSKIND
# (the type library's entry).
PATHWELL_CLSID='{E78BE0F4-E630-4070-879D-493FA5D1E6CF}'
PATHWELL_LIBID='{DDA7006F-8EB1-438B-AE52-35640B4614B3}'
PATHWELL_IID='{47999425-8E3F-4173-A026-4AD33F2DC72D}'
UNINSTALL_ROOT='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall'
SETUP_FILES=(Quorvel.exe quorvel-gen.exe Pathwell.ocx PathwellForm1.exe helpfile.chm LICENSE.txt keyclick.wav Uninstall.exe)
START_MENU=Microsoft/Windows/"Start Menu"/Programs
setup_facts() {
  case $1 in
    x86) SETUP_NAME=Quorvel SETUP_KEY=Quorvel SETUP_SYSKIND=win32 ;;
    x64) SETUP_NAME="Quorvel (64-bit)" SETUP_KEY=Quorvel-x64 SETUP_SYSKIND=win64 ;;
    *) fail "no setup for architecture '$1'" ;;
  esac
  SETUP_EXE=$QUORVEL_BUILD/QuorvelSetup-$1.exe
}
# The architecture of this build's programs.
build_setup_arch() { if [ "$QUORVEL_WINE_ARCH" = win64 ]; then echo x64; else echo x86; fi; }
# Where the setup of an architecture installs in this prefix: the x86 one in a 64-bit prefix
# into Program Files (x86).
setup_win_dir() { if [ "$1" = x86 ] && [ "$QUORVEL_WINE_ARCH" = win64 ]; then echo 'C:\Program Files (x86)\Quorvel'; else echo 'C:\Program Files\Quorvel'; fi; }
setup_unix_dir() { if [ "$1" = x86 ] && [ "$QUORVEL_WINE_ARCH" = win64 ]; then echo "$WINEPREFIX/drive_c/Program Files (x86)/Quorvel"; else echo "$WINEPREFIX/drive_c/Program Files/Quorvel"; fi; }
# Silent install of an architecture's setup: this build's own, or the x86 one of an x64
# build from QUORVEL_X86_SETUP.
setup_install() {
  local setup=$QUORVEL_BUILD/QuorvelSetup-$1.exe
  [ "$1" = x86 ] && [ "$QUORVEL_WINE_ARCH" = win64 ] && setup=${QUORVEL_X86_SETUP:-}
  [ -n "$setup" ] && [ -e "$setup" ] || fail "the $1 setup ($setup) is not built"
  timeout 120 wine "$(winpath "$setup")" /S || fail "the silent $1 install failed"
  timeout 60 wineserver -w || true
}
# Silent uninstall. The uninstaller copies itself away and returns at once: wait for its work
# to show.
setup_uninstall() {
  local dir
  dir=$(setup_unix_dir "$1")
  timeout 60 wine "$(setup_win_dir "$1")\\Uninstall.exe" /S || fail "the silent $1 uninstall failed to start"
  for _ in $(seq 120); do [ -e "$dir" ] || break; sleep 0.5; done
  timeout 60 wineserver -w || true
}
