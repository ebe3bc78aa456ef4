#!/usr/bin/env bash
# Start-up time of Quorvel: from process creation to its main window being visible, in a
# warm Wine prefix. One launch warms the prefix (and writes the key-click file); then
# QUORVEL_STARTUP_RUNS launches are timed and reported. It fails only when the window does not
# appear at all: the time is a measurement, not a verdict, so a slow host cannot fail it.
source "$(dirname "$0")/lib.sh"
runs=${QUORVEL_STARTUP_RUNS:-5}
e2e_begin Quorvel.exe
app=$(fresh_app_folder)
exe=$(winpath "$app/Quorvel.exe")

launch() {
  ad "start $exe" "wait-window * Quorvel 20000 as main" "close main" \
     "answer-box Bye OK 10000" "wait-exit started 10000" |
    sed -n 's/^window .* after \([0-9]*\) ms$/\1/p'
}

launch >/dev/null
times=()
for _ in $(seq "$runs"); do
  t=$(launch)
  [ -n "$t" ] || fail "no start-up time measured"
  times+=("$t")
done
sorted=$(printf '%s\n' "${times[@]}" | sort -n)
best=$(echo "$sorted" | head -1)
median=$(echo "$sorted" | sed -n "$(( (runs + 1) / 2 ))p")
echo "start-up to visible window (ms): ${times[*]}; best $best, median $median (target 1500)"
echo "startup_ms best=$best median=$median runs=${times[*]}" > "$ARTIFACTS/startup_time.txt"
