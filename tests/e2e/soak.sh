#!/usr/bin/env bash
# Soak check: QUORVEL_SOAK_RUNS (100) conversions in a row in one Quorvel process, with
# Clear between them, each through the open dialog, Start and the "Done" box. The process's
# handles, windows and memory are sampled after the first 10 runs (warm) and at the end;
# growth beyond noise fails the check. Figures go to <build>/e2e-artifacts/soak.txt.
#
# Wine's own open dialog keeps a handle each time it is used (its notepad does the same),
# so the script first measures that rate with Wine's notepad and allows it per dialog.
source "$(dirname "$0")/lib.sh"
runs=${QUORVEL_SOAK_RUNS:-100}
e2e_begin Quorvel.exe
app=$(fresh_app_folder)
make_source "$WORK/soak.bin" "${QUORVEL_SOAK_BYTES:-512}"
src=$(winpath "$WORK/soak.bin")

script=$WORK/soak.autodrive
{
  echo "start $(winpath "$app/Quorvel.exe")"
  echo "wait-window * Quorvel 20000 as main"
  echo "process-stats main"
  for i in $(seq "$runs"); do
    echo "click main $C_BROWSE_SOURCE"
    echo "file-dialog \"Select file to encode\" $src 15000"
    echo "wait-text main $C_SOURCE $src 5000"
    echo "click main Start"
    echo "answer-box \"Good news!\" OK 60000 Done"
    echo "click main Clear"
    echo "wait-text main $C_SOURCE \"\" 5000"
    echo "wait-idle main 5000"
    if (( i % 10 == 0 )); then echo "echo after $i runs"; echo "process-stats main"; fi
  done
  echo "close main"
  echo "answer-box Bye OK 10000"
  echo "wait-exit started 10000"
} > "$script"

# The reference: how many handles Wine's open dialog keeps per use, in Wine's notepad.
ref=$WORK/reference.autodrive
{
  echo "start C:\\windows\\notepad.exe"
  echo "wait-window Notepad * 20000 as np"
  for i in $(seq 13); do
    echo "post np . 0x111 0x101 0"   # File > Open
    echo "file-dialog Open $src 15000"
    echo "wait-idle np 5000"
    if (( i == 3 || i == 13 )); then echo "process-stats np"; fi
  done
  echo "close np"
  echo "wait-exit started 10000"
} > "$ref"
ad -f "$(winpath "$ref")" | grep '^pid=' > "$WORK/reference.txt" || fail "the notepad reference run failed"

start=$(date +%s)
AD_TIMEOUT=${QUORVEL_SOAK_TIMEOUT:-570} ad -f "$(winpath "$script")" | tee "$WORK/soak.log" | grep -v '^box ' || fail "the soak run stopped"
seconds=$(( $(date +%s) - start ))

grep '^pid=' "$WORK/soak.log" > "$WORK/stats.txt"
python3 - "$WORK/stats.txt" "$runs" "$seconds" "$ARTIFACTS/soak.txt" "$WORK/reference.txt" <<'PY'
import sys
def samples(path):
    return [dict(kv.split("=") for kv in line.split()) for line in open(path)]
rows = samples(sys.argv[1])
runs, seconds, report = int(sys.argv[2]), int(sys.argv[3]), sys.argv[4]
ref = samples(sys.argv[5])
per_dialog = max(0.0, (int(ref[-1]["handles"]) - int(ref[0]["handles"])) / 10)
start, warm, end = rows[0], rows[1], rows[-1]
keys = ["handles", "windows", "gdi", "user", "workingset_kb", "pagefile_kb", "private_kb"]
# Noise allowed between the warm sample (10 runs) and the end: a handful of handles, no
# window, and 2 MB of memory (Wine's heaps grow in steps).
dialogs = runs - 10
limits = {"handles": 5 + round(per_dialog * dialogs), "windows": 0, "gdi": 5, "user": 5, "workingset_kb": 2048, "pagefile_kb": 2048, "private_kb": 2048}
lines = [f"soak: {runs} conversions with Clear between, {seconds} s ({seconds / runs:.2f} s each)",
         f"Wine's open dialog alone (notepad): {per_dialog:.1f} handles kept per use; allowed over {dialogs} dialogs"]
lines.append("%-14s %10s %10s %10s %8s" % ("", "start", "10 runs", f"{runs} runs", "growth"))
bad = []
for k in keys:
    a, w, e = int(start[k]), int(warm[k]), int(end[k])
    lines.append("%-14s %10d %10d %10d %+8d" % (k, a, w, e, e - w))
    if e - w > limits[k]:
        bad.append(f"{k} grew by {e - w} (limit {limits[k]})")
lines.append("every sample: " + "; ".join(f"{r['handles']}h/{r['windows']}w/{r['workingset_kb']}k" for r in rows))
text = "\n".join(lines)
print(text)
open(report, "w").write(text + "\n")
if bad:
    print("FAIL: " + ", ".join(bad), file=sys.stderr)
    sys.exit(1)
PY
echo "PASS soak"
