#!/usr/bin/env bash
# Both setups in one 64-bit Wine prefix, as on 64-bit Windows: the x86 setup installs into
# Program Files (x86) and the 32-bit registry view, the x64 setup into Program Files and the
# 64-bit view. Each is uninstalled in turn while the other stays whole (files, shortcuts,
# uninstall entry, the control's class, ProgID, type library and interface records), in both
# orders; the last uninstall leaves nothing. Needs QUORVEL_X86_SETUP and a host that runs
# 32-bit programs.
export QUORVEL_E2E_PREFIX=${QUORVEL_E2E_SIDE_BY_SIDE_PREFIX:-$QUORVEL_BUILD/e2e-prefix-side-by-side}
source "$(dirname "$0")/lib.sh"
[ "$QUORVEL_WINE_ARCH" = win64 ] || fail "runs in the x64 build's 64-bit prefix"
setup_facts x64
x64_setup=$SETUP_EXE
x86_setup=${QUORVEL_X86_SETUP:-}
[ -e "$x64_setup" ] || fail "$x64_setup is not built"
[ -n "$x86_setup" ] && [ -e "$x86_setup" ] || fail "QUORVEL_X86_SETUP must name the built QuorvelSetup-x86.exe"
e2e_begin

# Each view through the reg of its own architecture; Wine's reg prints its errors on
# stdout, so only the exit status tells whether a key exists.
reg_of() { if [ "$1" = x86 ]; then echo 'C:\windows\syswow64\reg.exe'; else echo reg; fi; }
query() {  # arch key [reg options]
  local arch=$1 key=$2 out
  shift 2
  out=$(timeout 60 wine "$(reg_of "$arch")" query "$key" "$@" 2>/dev/null) || return 1
  echo "$out" | tr -d '\r'
}
menu_dir() { setup_facts "$1"; echo "$WINEPREFIX/drive_c/ProgramData/$START_MENU/$SETUP_NAME"; }
contains() { grep -qiF -- "$1"; }

expect_installed() {
  local arch=$1 dir menu server
  dir=$(setup_unix_dir "$arch")
  menu=$(menu_dir "$arch")
  setup_facts "$arch"
  for f in "${SETUP_FILES[@]}"; do [ -f "$dir/$f" ] || fail "$arch: $f is missing"; done
  for l in "$SETUP_NAME.lnk" "$SETUP_NAME Help.lnk" "Uninstall $SETUP_NAME.lnk"; do
    [ -f "$menu/$l" ] || fail "$arch: no Start-menu shortcut $l"
  done
  server="$(setup_win_dir "$arch")\\Pathwell.ocx"
  query "$arch" "HKCR\\CLSID\\$PATHWELL_CLSID\\InprocServer32" /ve | contains "$server" ||
    fail "$arch: the control's class is not registered to $server"
  query "$arch" 'HKCR\PathwellX.Pathwell\CLSID' /ve | contains "$PATHWELL_CLSID" || fail "$arch: no ProgID"
  query "$arch" "HKCR\\TypeLib\\$PATHWELL_LIBID\\1.0\\0\\$SETUP_SYSKIND" /ve | contains "$server" ||
    fail "$arch: the type library is not registered under $SETUP_SYSKIND"
  query "$arch" "HKCR\\Interface\\$PATHWELL_IID\\TypeLib" /ve | contains "$PATHWELL_LIBID" ||
    fail "$arch: the interface records are missing"
  query "$arch" "$UNINSTALL_ROOT\\$SETUP_KEY" /v UninstallString | contains "$(setup_win_dir "$arch")\\Uninstall.exe" ||
    fail "$arch: no uninstall entry"
}

expect_removed() {
  local arch=$1 dir menu
  dir=$(setup_unix_dir "$arch")
  menu=$(menu_dir "$arch")
  setup_facts "$arch"
  [ ! -e "$dir" ] || fail "$arch: left behind: $(ls -A "$dir" | tr '\n' ' ')"
  [ ! -e "$menu" ] || fail "$arch: the Start-menu folder is left behind"
  ! query "$arch" "HKCR\\CLSID\\$PATHWELL_CLSID" >/dev/null || fail "$arch: the control's class is still registered"
  ! query "$arch" "HKCR\\TypeLib\\$PATHWELL_LIBID\\1.0\\0\\$SETUP_SYSKIND" >/dev/null ||
    fail "$arch: the type library is still registered under $SETUP_SYSKIND"
  ! query "$arch" "$UNINSTALL_ROOT\\$SETUP_KEY" >/dev/null || fail "$arch: the uninstall entry is left behind"
}

setup_install x86
setup_install x64
expect_installed x86
expect_installed x64
cmp -s "$(setup_unix_dir x64)/Pathwell.ocx" "$BIN/Pathwell.ocx" || fail "x64: the installed control is not this build's"
echo "both installed"

setup_uninstall x64
expect_removed x64
expect_installed x86
echo "x64 uninstalled, x86 whole"

setup_install x64
setup_uninstall x86
expect_removed x86
expect_installed x64
echo "x86 uninstalled, x64 whole"

setup_uninstall x64
expect_removed x64
for arch in x86 x64; do
  ! query "$arch" 'HKCR\PathwellX.Pathwell' >/dev/null || fail "$arch: PathwellX.Pathwell is still registered"
  ! query "$arch" "HKCR\\TypeLib\\$PATHWELL_LIBID" >/dev/null || fail "$arch: the type library key is left behind"
  ! query "$arch" "HKCR\\Interface\\$PATHWELL_IID" >/dev/null || fail "$arch: the interface records are left behind"
done
echo "PASS e2e_setup_side_by_side"
