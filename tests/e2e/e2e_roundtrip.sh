#!/usr/bin/env bash
# One conversion the way a person does it: start Quorvel from a fresh folder, choose the
# source in the open dialog, choose "Other Location" and a folder in the folder dialog of
# the Pathwell control, Start, Save as .bas, then run the saved module in LibreOffice Basic
# and compare the file it re-creates with the source, byte for byte. Along the way: the
# window's layout at 96 DPI, its states, and screenshots before, during and after the run.
source "$(dirname "$0")/lib.sh"
e2e_begin Quorvel.exe Pathwell.ocx
app=$(fresh_app_folder)
size=${QUORVEL_E2E_SOURCE_BYTES:-20000}
make_source "$WORK/sample.data.bin" "$size"
source_path=$(winpath "$WORK/sample.data.bin")
dest_unix=$WINEPREFIX/drive_c/e2e-dest
mkdir -p "$dest_unix" "$WORK/out" "$WORK/scratch"
module=$(winpath "$WORK/out/module.bas")
[ ! -e "$app/keyclick.wav" ] || fail "the fresh folder already holds keyclick.wav"

# Start-up: window, layout, start-up state.
ad "start $(winpath "$app/Quorvel.exe")" "wait-window * Quorvel 20000 as main"
[ "$(stat -c %s "$app/keyclick.wav" 2>/dev/null)" = 10068 ] || fail "keyclick.wav was not written beside the program"
mapfile -t layout < <(main_layout_checks)
adm "${layout[@]}" \
  "expect-enabled main Start no" "expect-enabled main Save no" "expect-enabled main Clear no" \
  "expect-enabled main About yes" "expect-enabled main Help yes" "expect-enabled main Exit yes" \
  "expect-enabled main $C_SOURCE no" "expect-text main $C_SOURCE \"\"" \
  "expect-text main $C_OTHER_TEXT ." "expect-enabled main $C_OTHER_TEXT no" \
  "expect-enabled main $C_BROWSE_DIR no" \
  "expect-checked main App.Path yes" "expect-checked main \"Public Sub\" yes" \
  "expect-checked main \"Private Sub\" no" "send main .QuorvelLED 0x402 0 0 0"
screenshot main-startup "$(adm "geometry main ." | tail -1)"

# Source and destination.
adm "click main $C_BROWSE_SOURCE" "file-dialog \"Select file to encode\" $source_path 15000" \
  "wait-text main $C_SOURCE $source_path 5000" "expect-enabled main Start yes" \
  "click main \"Other Location\"" "wait-visible main $C_BROWSE_DIR yes 1000" \
  "sleep 200" "expect-enabled main $C_OTHER_TEXT yes" "expect-enabled main $C_BROWSE_DIR yes" \
  "click main $C_BROWSE_DIR" "folder-dialog * C:\\e2e-dest 15000" \
  "wait-text main $C_OTHER_TEXT C:\\e2e-dest 5000"

# The run (a source this small converts in a blink; the long run below is watched closely).
adm "click main Start" "answer-box \"Good news!\" OK 180000 Done" "wait-visible main $C_OUTPUT yes 5000" \
  "expect-enabled main Save yes" "expect-enabled main Clear yes" "send main .QuorvelLED 0x402 0 0 0"
screenshot main-after-run "$(adm "geometry main ." | tail -1)"
adm "get-text main $C_OUTPUT" > "$WORK/output.txt"
grep -qF 'Open "C:\e2e-dest\sample.data.bin" For Binary As cl_fp' "$WORK/output.txt" ||
  fail "the Open line does not name the chosen folder: $(grep -m1 '^Open' "$WORK/output.txt" || true)"

# Save as a module, then once more over it (answering No keeps it).
adm "click main Save" "file-dialog \"Saving resulting VB code\" $module 15000" \
  "answer-box \"Good news!\" OK 15000 \"Saved: *module.bas\""
[ -s "$WORK/out/module.bas" ] || fail "module.bas was not saved"
cp "$WORK/out/module.bas" "$WORK/module-first.bas"
adm "click main Save" "file-dialog \"Saving resulting VB code\" $module 15000" \
  "answer-box Query No 15000 \"File: *module.bas\\r\\nexists... overwrite?\""
cmp -s "$WORK/out/module.bas" "$WORK/module-first.bas" || fail "answering No changed the saved file"

# The saved module re-creates the source in LibreOffice Basic.
timeout 300 python3 "$QUORVEL_SOURCE/tests/roundtrip/run_basic.py" "$WORK/out/module.bas" "$WORK/scratch" ||
  fail "the saved module did not run in LibreOffice Basic"
cmp "$WORK/sample.data.bin" "$WORK/scratch/sample.data.bin" || fail "the re-created file differs from the source"
echo "round trip of $size bytes: identical"

# A run long enough to be watched: the output area hidden, the lamp red, the progress
# caption painted where the output area was, captured by autodrive the moment it shows.
# 32 MB: the 64-bit program converts 4 MB before the first frame is taken.
big=$WORK/big.bin
make_source "$big" "${QUORVEL_E2E_BIG_BYTES:-33554432}"
# The frame is taken by another process while the run paints, so one frame may catch the
# caption a moment before or after the lamp changes: a run counts when one of three watched
# runs shows the red lamp beside the caption.
watch_run() {
  adm "click main Clear" "wait-text main $C_SOURCE \"\" 5000" \
    "click main $C_BROWSE_SOURCE" "file-dialog \"Select file to encode\" $(winpath "$big") 15000" \
    "click main Start" "wait-visible main $C_OUTPUT no 10000" \
    "capture-drawn main \"Converting byte\" \"MS Sans Serif\" 12 700 3000 $(winpath "$WORK/main-running.bmp")" \
    "answer-box \"Good news!\" OK 300000 Done"
  convert "$WORK/main-running.bmp" "$ARTIFACTS/main-running.png"
  # The lamp in that frame (centre of its 17 x 17 pixels at 80, 404).
  lamp=$(convert "$WORK/main-running.bmp" -format '%[fx:int(255*p{88,412}.r)] %[fx:int(255*p{88,412}.g)] %[fx:int(255*p{88,412}.b)]' info:)
  read -r r g b <<< "$lamp"
  (( r > 160 && g < 90 && b < 90 ))
}
red=no
for attempt in 1 2 3; do
  if watch_run; then red=yes; break; fi
  echo "watched run $attempt: the lamp beside the caption was rgb $lamp"
done
[ $red = yes ] || fail "the lamp is not red during the run (rgb $lamp)"

# Exit: the goodbye box, then the program ends.
adm "click main Exit" "answer-box Bye OK 10000 \"Thank you for using Quorvel\"" "wait-exit main 10000" ||
  fail "Exit did not end the program"
echo "PASS e2e_roundtrip"
