#!/usr/bin/env bash
# The installer in a Wine prefix of its own: silent install, the files, shortcuts, uninstall
# entry and the control's registration (its server path inside the install folder); the
# installed Quorvel starts, browses for a folder through the registered control and says
# goodbye; the silent uninstall then leaves nothing behind.
export QUORVEL_E2E_PREFIX=${QUORVEL_E2E_SETUP_PREFIX:-$QUORVEL_BUILD/e2e-prefix-setup}
source "$(dirname "$0")/lib.sh"
setup_facts "$(build_setup_arch)"
setup=$SETUP_EXE
[ -e "$setup" ] || fail "$setup is not built"
e2e_begin

clsid=$PATHWELL_CLSID
uninstall_key="$UNINSTALL_ROOT\\$SETUP_KEY"
dir="$WINEPREFIX/drive_c/Program Files/Quorvel"
menu="$WINEPREFIX/drive_c/ProgramData/$START_MENU/$SETUP_NAME"
files=("${SETUP_FILES[@]}")
# Wine's reg prints its errors on stdout: the exit status tells whether a key exists.
reg_value() {
  local out
  out=$(timeout 60 wine reg query "$1" ${2:+/v "$2"} ${3:-} 2>/dev/null) || return 0
  echo "$out" | tr -d '\r'
}
reg_exists() { timeout 60 wine reg query "$1" >/dev/null 2>&1; }

rm -rf "$dir"
timeout 120 wine "$(winpath "$setup")" /S || fail "the silent install failed"
timeout 60 wineserver -w || true

for f in "${files[@]}"; do [ -f "$dir/$f" ] || fail "not installed: $f"; done
cmp -s "$dir/Quorvel.exe" "$BIN/Quorvel.exe" || fail "the installed Quorvel.exe is not the built one"
for l in "$SETUP_NAME.lnk" "$SETUP_NAME Help.lnk" "Uninstall $SETUP_NAME.lnk"; do
  [ -f "$menu/$l" ] || fail "no Start-menu shortcut $l"
done
server=$(reg_value "HKCR\\CLSID\\$clsid\\InprocServer32" "" /ve)
echo "$server" | grep -qi 'C:\\Program Files\\Quorvel\\Pathwell.ocx' ||
  fail "the control's server is not the installed file: $server"
reg_value 'HKCR\PathwellX.Pathwell\CLSID' "" /ve | grep -qi "$clsid" || fail "PathwellX.Pathwell is not registered"
reg_value "HKCR\\TypeLib\\$PATHWELL_LIBID\\1.0\\0\\$SETUP_SYSKIND" "" /ve | grep -qi 'C:\\Program Files\\Quorvel\\Pathwell.ocx' ||
  fail "the type library is not registered under $SETUP_SYSKIND"
reg_value "$uninstall_key" UninstallString | grep -qi 'Uninstall.exe' || fail "no uninstall entry"
reg_value "$uninstall_key" DisplayVersion | grep -q '2\.0\.9' || fail "the uninstall entry has the wrong version"

# The installed program, with the control created from its registration.
exe='"C:\Program Files\Quorvel\Quorvel.exe"'
ad "start $exe" "wait-window * Quorvel 20000 as main" \
  "click main \"Other Location\"" "sleep 300" "click main $C_BROWSE_DIR" \
  "folder-dialog * C:\\windows 15000" "wait-text main $C_OTHER_TEXT C:\\windows 5000" \
  "close main" "answer-box Bye OK 10000 \"Thank you for using Quorvel\"" "wait-exit started 10000"

# The uninstaller copies itself away and returns at once: wait for its work to show.
timeout 60 wine "C:\\Program Files\\Quorvel\\Uninstall.exe" /S || fail "the silent uninstall failed to start"
for _ in $(seq 120); do [ -e "$dir" ] || break; sleep 0.5; done
timeout 60 wineserver -w || true
[ ! -e "$dir" ] || fail "left behind: $(ls -A "$dir" | tr '\n' ' ')"
[ ! -e "$menu" ] || fail "the Start-menu folder is left behind"
! reg_exists "HKCR\\CLSID\\$clsid" || fail "the control's class is still registered"
! reg_exists 'HKCR\PathwellX.Pathwell' || fail "PathwellX.Pathwell is still registered"
! reg_exists "HKCR\\TypeLib\\$PATHWELL_LIBID" || fail "the type library is still registered"
! reg_exists "$uninstall_key" || fail "the uninstall entry is left behind"
echo "PASS e2e_installer"
