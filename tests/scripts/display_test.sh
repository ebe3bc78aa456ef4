#!/usr/bin/env bash
# The display wine-env.sh starts for a script ends with that script, and a display that was
# there before is left as it was.  usage: display_test.sh SOURCE_DIR
set -u
source_dir=$1
command -v Xvfb >/dev/null && command -v xdpyinfo >/dev/null || { echo "skipped: no Xvfb"; exit 77; }
failed=0
check() {  # check NAME CONDITION...
  local name=$1; shift
  if "$@"; then echo "ok: $name"; else failed=1; echo "FAILED: $name"; fi
}
# A display number nobody uses on this machine.
n=150
while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
answers() { DISPLAY=:$n xdpyinfo >/dev/null 2>&1; }
# What a script does: the display answers while it runs.
script='source "$1/tools/wine-env.sh" && quorvel_ensure_display && xdpyinfo >/dev/null 2>&1'

for how in "ends" "is stopped by SIGTERM" "fails"; do
  case $how in
    ends) env -u DISPLAY QUORVEL_XVFB_DISPLAY=$n timeout 30 bash -c "$script" _ "$source_dir"
          check "the display answers while the script runs" [ $? = 0 ] ;;
    fails) env -u DISPLAY QUORVEL_XVFB_DISPLAY=$n timeout 30 bash -c "$script && exit 3" _ "$source_dir" ;;
    *) env -u DISPLAY QUORVEL_XVFB_DISPLAY=$n timeout 30 bash -c "$script && kill -TERM \$\$ && sleep 20" _ "$source_dir" ;;
  esac
  for _ in $(seq 1 30); do answers || break; sleep 0.1; done
  check "the display a script started is gone once it $how" eval '! answers'
done

# A display that was there before stays.
Xvfb ":$n" -screen 0 640x480x24 -nolisten tcp >/dev/null 2>&1 & own=$!
for _ in $(seq 1 50); do answers && break; sleep 0.1; done
env -u DISPLAY QUORVEL_XVFB_DISPLAY=$n timeout 30 bash -c "$script" _ "$source_dir"
check "a display that was there before stays" answers
kill "$own"; wait "$own" 2>/dev/null
exit $failed
