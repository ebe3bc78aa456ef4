#!/usr/bin/env bash
# The commands around a conversion, used the way a person does: About (size, version line,
# closing), Help (the shell opens the help file in the HTML Help viewer), a short run then
# Clear (start-up state again), Cancel in the open dialog followed by Start (the refusal
# box), and closing by the close box (the goodbye box).
source "$(dirname "$0")/lib.sh"
e2e_begin Quorvel.exe helpfile.chm
app=$(fresh_app_folder)
printf 'abc' > "$WORK/three.txt"
three=$(winpath "$WORK/three.txt")
ad "start $(winpath "$app/Quorvel.exe")" "wait-window * Quorvel 20000 as main"

# About: a modal window of 314 x 147 client pixels with the version line; closed by its
# close box, after which the main window takes input again.
adm "click main About" "wait-window * \"About Quorvel\" 10000 as about" \
  "expect-rect about . 0 0 314 147" "expect-enabled main . no" \
  "expect-drawn about Quorvel \"Comic Sans MS\" 20.25 700" \
  "expect-drawn about \"Version 2.0.9\" \"MS Sans Serif\" 8.25 400"
screenshot about "$(ad "wait-window * \"About Quorvel\" 5000 as about" "geometry about ." | tail -1)"
adm "wait-window * \"About Quorvel\" 5000 as about" "close about" "wait-gone about 5000" \
  "sleep 300" "expect-enabled main . yes"

# Help: the shell starts the HTML Help viewer on the help file beside the program.
adm "click main Help" "wait-window \"HH Parent\" * 20000 as help" "sleep 1000" \
  "capture help $(winpath "$WORK/help.bmp")" "close help" "wait-gone help 10000" ||
  fail "Help did not open the help file in the HTML Help viewer"
convert "$WORK/help.bmp" "$ARTIFACTS/help.png"

# A short run, then Clear returns the start-up state (Clear itself stays enabled).
adm "click main \"Private Sub\"" "click main \"Other Location\"" "sleep 300" \
  "set-text main $C_OTHER_TEXT C:\\somewhere" \
  "click main $C_BROWSE_SOURCE" "file-dialog \"Select file to encode\" $three 15000" \
  "wait-text main $C_SOURCE $three 5000" \
  "click main Start" "answer-box \"Good news!\" OK 30000 Done" \
  "wait-text main $C_OUTPUT \"*Private Sub Create_three_txt( )*\" 5000" \
  "click main Clear" "sleep 500" \
  "expect-text main $C_OUTPUT \"\"" "expect-text main $C_SOURCE \"\"" \
  "expect-enabled main Start no" "expect-enabled main Save no" "expect-enabled main Clear yes" \
  "expect-checked main App.Path yes" "expect-checked main \"Other Location\" no" \
  "expect-checked main \"Public Sub\" yes" "expect-checked main \"Private Sub\" no" \
  "expect-text main $C_OTHER_TEXT ." "expect-enabled main $C_OTHER_TEXT no" \
  "expect-enabled main $C_BROWSE_DIR no"

# Cancel in the open dialog after a choice empties the field; Start then refuses to run.
adm "click main $C_BROWSE_SOURCE" "file-dialog \"Select file to encode\" $three 15000" \
  "wait-text main $C_SOURCE $three 5000" \
  "click main $C_BROWSE_SOURCE" "wait-window #32770 \"Select file to encode\" 15000 as open" \
  "click open Cancel" "wait-gone open 5000" "wait-text main $C_SOURCE \"\" 5000" \
  "expect-enabled main Start yes" "click main Start" \
  "answer-box Dumbass! OK 10000 \"Please select a source file, first\""

# The close box: the goodbye box once, then the program ends.
adm "close main" "answer-box Bye OK 10000 \"Thank you for using Quorvel\"" "wait-exit main 10000"
! ad "wait-window #32770 Bye 1000" >/dev/null 2>&1 || fail "a second goodbye box appeared"
echo "PASS e2e_commands"
