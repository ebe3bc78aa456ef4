#!/usr/bin/env bash
# Times quorvel-gen against `xxd -i` and against writing as many bytes from /dev/zero, on the
# same 100 MiB random file in one run, and prints the ratios. Also times the module written
# into a pipe, and as medians of several runs: --verify against the same run without it, and
# the source read from a pipe against the same source as a file. Given a second quorvel-gen
# (an older build), times it the same way in the same run.
# usage: tools/bench-cli.sh [BUILD_DIR] [OTHER_QUORVEL_GEN]   (a native build; default build/native)
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$repo/build/native}
gen=$build/bin/quorvel-gen
other=${2:-}
[ -x "$gen" ] || { echo "build first: $gen is missing" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

head -c $((100 << 20)) /dev/urandom > "$work/src.bin"
seconds() { local t0 t1; t0=$(date +%s.%N); "$@"; t1=$(date +%s.%N); echo "$t1 - $t0" | bc -l; }
best() { local b=""; for _ in 1 2 3 4 5; do local t; t=$(seconds "$@"); if [ -z "$b" ] || (( $(echo "$t < $b" | bc -l) )); then b=$t; fi; done; echo "$b"; }
# The medians of two shell commands timed in turn, RUNS times each (default 7), so that both
# meet the same load: prints "MEDIAN_A MEDIAN_B".
medians() {
  local runs=${RUNS:-7} a="" b=""
  for _ in $(seq "$runs"); do a+="$(seconds sh -c "$1")"$'\n'; b+="$(seconds sh -c "$2")"$'\n'; done
  local mid=$(( (runs + 1) / 2 ))
  echo "$(sort -n <<<"$a" | grep . | sed -n "${mid}p") $(sort -n <<<"$b" | grep . | sed -n "${mid}p")"
}
mbs() { echo "104.8576 / $1" | bc -l; }

cat "$work/src.bin" > /dev/null
t_gen=$(best "$gen" -o "$work/out.bas" "$work/src.bin")
out_bytes=$(stat -c %s "$work/out.bas")
t_zero=$(best dd if=/dev/zero of="$work/zero.bin" bs=1M count=$(( (out_bytes + (1<<20) - 1) >> 20 )) status=none)
t_xxd=$(seconds sh -c "xxd -i '$work/src.bin' > '$work/out.xxd'")
t_pipe_out=$(best sh -c "'$gen' '$work/src.bin' | cat > /dev/null")
t_pipe_in=$(best sh -c "cat '$work/src.bin' | '$gen' --name src.bin -o '$work/in.bas' -")
read -r m_plain m_verify < <(medians "'$gen' -q -o '$work/out.bas' '$work/src.bin'" \
                                    "'$gen' -q --verify -o '$work/out.bas' '$work/src.bin'")
read -r m_path m_pipe < <(medians "'$gen' -q -o '$work/in.bas' '$work/src.bin'" \
                                  "cat '$work/src.bin' | '$gen' -q --name src.bin -o '$work/in.bas' -")

printf 'input 100 MiB, module %d bytes\n' "$out_bytes"
printf 'quorvel-gen, file to file    %6.3f s  (%.0f MB/s of input)\n' "$t_gen" "$(mbs "$t_gen")"
printf 'quorvel-gen, module to pipe  %6.3f s  (%.0f MB/s of input)\n' "$t_pipe_out" "$(mbs "$t_pipe_out")"
printf 'quorvel-gen, source by pipe  %6.3f s  (%.0f MB/s of input)\n' "$t_pipe_in" "$(mbs "$t_pipe_in")"
printf 'dd /dev/zero                 %6.3f s  (same output size)\n' "$t_zero"
printf 'xxd -i                       %6.3f s\n' "$t_xxd"
printf 'ratio xxd / quorvel-gen       %6.1f x  (target >= 20)\n' "$(echo "$t_xxd / $t_gen" | bc -l)"
printf 'ratio quorvel-gen / dd zero   %6.2f x  (target <= 1.3)\n' "$(echo "$t_gen / $t_zero" | bc -l)"
printf 'median of %d runs, file to file:\n' "${RUNS:-7}"
printf '  without --verify            %6.3f s\n' "$m_plain"
printf '  with --verify               %6.3f s  (ratio %.2f x, target <= 2)\n' "$m_verify" "$(echo "$m_verify / $m_plain" | bc -l)"
printf '  source named as FILE        %6.3f s\n' "$m_path"
printf '  source by pipe (cat |)      %6.3f s  (ratio to FILE %.2f x, target <= 1.5)\n' "$m_pipe" \
  "$(echo "$m_pipe / $m_path" | bc -l)"

if [ -n "$other" ]; then
  t_old=$(best "$other" -o "$work/old.bas" "$work/src.bin")
  t_old_pipe=$(best sh -c "'$other' '$work/src.bin' | cat > /dev/null")
  printf 'other build, file to file    %6.3f s  (this build: %.2f x its time)\n' "$t_old" "$(echo "$t_gen / $t_old" | bc -l)"
  printf 'other build, module to pipe  %6.3f s  (this build: %.2f x its time)\n' "$t_old_pipe" "$(echo "$t_pipe_out / $t_old_pipe" | bc -l)"
fi
