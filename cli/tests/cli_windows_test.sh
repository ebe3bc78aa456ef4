#!/usr/bin/env bash
# The Windows build of quorvel-gen, run under Wine: names come from the wide command line and
# go into the module as Windows-1252, OUT is replaced only on success, errors name their subject.
# usage: cli_windows_test.sh QUORVEL_GEN_EXE WINE_RUN [ARCH]
set -u
export LC_ALL=C.UTF-8  # Wine hands the arguments over as UTF-8
gen=$1
shift
wine_run=("$@")
work=$(mktemp -d)
mapped=""  # a drive letter this test maps, removed again at the end
trap 'rm -f "$mapped"; rm -rf "$work"' EXIT
cd "$work"
passed=0 failed=0
check() {
  local name=$1; shift
  if "$@"; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAILED: $name"; fi
}
run() { timeout 120 "${wine_run[@]}" "$gen" "$@" >out 2>err; echo $? >rc; }
rc() { [ "$(cat rc)" = "$1" ]; }

printf 'Quorvel sample\r\n' >sample.bin
run --verify -o sample.bas sample.bin
check "converts and verifies" rc 0
check "the module is written" grep -qF 'Call WriteBytes("51756F7276656C2073616D706C650D0A")' sample.bas
run --verify -o sample.bas sample.bin
check "replaces an existing module" rc 0

run --name 'Mein Bild – Größe.txt' -o dash.bas sample.bin
check "a name with an en dash" rc 0
check "goes in as Windows-1252" grep -qF "$(printf 'Open ".\\Mein Bild \x96 Gr\xf6\xdfe.txt"')" dash.bas

run --name '日本語.txt' -o cjk.bas sample.bin
check "a character Windows-1252 lacks is error 52" grep -qF 'quorvel-gen: --name 日本語.txt: error 52: Bad file name or number' err
check "and no module" [ ! -e cjk.bas ]

# The file name must be one Windows holds as one file in the destination.
for name in 'CON.txt' '..\boot.ini' 'a.txt:s' 'a.txt.'; do
  run --name "$name" -o bad.bas sample.bin
  check "--name $name is error 52" grep -qF "quorvel-gen: --name $name: error 52: Bad file name or number (the file name" err
done
check "and no module" [ ! -e bad.bas ]
run --dest 'C:\x|y' -o bad.bas sample.bin
check "a destination with | is error 52" grep -qF 'quorvel-gen: --dest C:\x|y: error 52: Bad file name or number (the destination holds "|"' err
run --dest '\\?\C:\Data' -o long.bas sample.bin
check "a \\?\ destination is taken" grep -qF 'Open "\\?\C:\Data\sample.bin" For Binary' long.bas

# A read-only OUT is refused; --force replaces it and it stays read-only.
printf 'read-only\r\n' >ro.bas
cp ro.bas ro.copy
chmod 444 ro.bas
run -o ro.bas sample.bin
check "a read-only OUT is error 75" grep -qF 'quorvel-gen: ro.bas: error 75: Path/File access error (the file is read-only' err
check "and stays" cmp -s ro.bas ro.copy
run --force -o ro.bas sample.bin
check "--force replaces it" grep -qF 'Call WriteBytes("51756F7276656C2073616D706C650D0A")' ro.bas
check "and it stays read-only" [ "$(stat -c %a ro.bas)" = 444 ]

cp sample.bin keep.bin
run -o sample.bin sample.bin
check "OUT that is FILE is refused" rc 2
check "and FILE survives" cmp -s sample.bin keep.bin

run nodir/x.bin
check "errors name their subject" grep -qF 'quorvel-gen: nodir/x.bin: error 76: Path not found' err
run missing.bin
check "a missing FILE is error 53" grep -qF 'quorvel-gen: missing.bin: error 53: File not found' err
# Windows errors mean here what they mean in the window.
run -o 'a?.bas' sample.bin
check "an OUT Windows cannot name is error 52" grep -qF 'quorvel-gen: a?.bas: error 52: Bad file name or number' err

timeout 120 "${wine_run[@]}" "$gen" --name s.bin - <sample.bin >out 2>err
check "standard input" grep -qF '51756F7276656C2073616D706C650D0A' out

mkdir many
run -o many sample.bin dash.bas
check "several FILEs into a folder" [ -f many/modsample.bas ] && [ -f many/moddash.bas ]

# Two targets that are one file (a hard or symbolic link from one to the other), and two
# FILEs whose modules would declare one Public name: refused before anything is written.
cp sample.bin a.bin && cp sample.bin a-bin
for link in hard symbolic; do
  rm -rf linked && mkdir linked && printf 'old\r\n' >linked/modsample.bas
  if [ $link = hard ]; then ln linked/modsample.bas linked/MODA.bas; else ln -s modsample.bas linked/MODA.bas; fi
  run -o linked sample.bin a.bin
  check "a $link link between two targets is refused" rc 2
  check "and the refusal names both" grep -qiF 'will not write linked\modsample.bas and linked\moda.bas: they are one file' err
  check "and nothing is written" [ "$(cat linked/modsample.bas)" = $'old\r' ]
done
rm -rf linked
mkdir public
run -o public a.bin a-bin
check "two FILEs that would both declare Create_a_bin are refused" grep -qF 'quorvel-gen: a.bin and a-bin would both declare Public Create_a_bin' err
check "and nothing is written" [ -z "$(ls -A public)" ]
rm -r public a.bin a-bin
# A destination of a lone separator is the root of the current drive.
run --dest '\' sample.bin
check "--dest \\ is the current drive's root" grep -qF 'Open "\sample.bin" For Binary' out

# A compact set: one file a module in the folder, read back and checked as a whole.
head -c 300001 /dev/urandom >split.bin
mkdir set
run --layout compact --max-lines 300 --verify -o set split.bin
check "a compact set" grep -qF 'quorvel-gen: split.bin: verified: 3 module(s), 300001 bytes' err
check "one file a module" [ "$(ls set | tr '\n' ' ')" = "modsplit.bas modsplit_2.bas modsplit_3.bas " ]
run --layout compact --max-lines 300 -o set.bas split.bin
check "a set without a folder names -o FOLDER" grep -qF 'a set of modules needs -o FOLDER' err

# When the second module cannot be put in place, the first target gets its old file back.
printf 'old one\r\n' >many/modsample.bas
printf 'old two\r\n' >many/moddash.bas
cp many/modsample.bas one.copy
if [ "$(id -u)" = 0 ] && chattr +i many/moddash.bas 2>/dev/null; then
  run -o many sample.bin dash.bas
  chattr -i many/moddash.bas
  check "a second move that fails fails the run" grep -qF 'quorvel-gen: many\moddash.bas: error 70: Permission denied' err
  check "the first target gets its old file back" cmp -s many/modsample.bas one.copy
  check "no file left beside them" [ "$(ls -A many | tr '\n' ' ')" = "moddash.bas modsample.bas " ]
else
  echo "skipped: a second move that fails (an immutable file needs root and chattr)"
fi

# Ctrl+C in the middle of a module (sent as CTRL_C_EVENT to a console of quorvel-gen's own):
# the run stops with 130, OUT keeps its old content and no temporary file stays beside it.
ctrl_c=$(dirname "$gen")/cli_ctrl_c.exe
stop() { timeout 180 "${wine_run[@]}" "$ctrl_c" "$@" >out 2>err; echo $? >rc; }
check "the Ctrl+C sender is built beside quorvel-gen" [ -f "$ctrl_c" ]
mkdir stop
printf 'old module\r\n' >stop/s.bas
cp stop/s.bas s.copy
stop stop "$gen" --name s.bin -o 'stop\s.bas' -
check "Ctrl+C while standard input is converted stops the run with 130" rc 130
check "and OUT keeps its old content" cmp -s stop/s.bas s.copy
check "and no temporary file is left" [ "$(ls -A stop)" = s.bas ]
# With several FILEs the module already made for the first goes too.
truncate -s 256M big.bin
mkdir stopmany
stop stopmany "$gen" -o stopmany sample.bin big.bin
check "Ctrl+C during the second of two FILEs stops the run with 130" rc 130
check "and leaves nothing in OUT" [ -z "$(ls -A stopmany)" ]
rm -f big.bin

# A folder given as the root of a drive or as a drive alone: one separator, never "\\".
drive_c=$(timeout 120 "${wine_run[@]}" winepath -u 'C:\' 2>/dev/null | tr -d '\r')
drive=""
for letter in q r s t u v; do
  if [ -n "$drive_c" ] && [ ! -e "${drive_c%/}/../dosdevices/$letter:" ]; then drive=$letter; break; fi
done
if [ -z "$drive" ]; then
  echo "skipped: -o \\ (no prefix found to map a drive in)"
else
  run -o "${drive^^}:\\x.bas" sample.bin
  check "an OUT on a drive that is not there is error 76" grep -qF "quorvel-gen: ${drive^^}:\\x.bas: error 76: Path not found" err
  mkdir root && cp sample.bin root/
  mapped="${drive_c%/}/../dosdevices/$drive:"
  ln -s "$work/root" "$mapped"
  cd root  # the current folder is the root of the mapped drive
  run -o '\' sample.bin
  check "-o \\ writes into the root of the current drive" [ -f modsample.bas ]
  rm -f modsample.bas
  run -o "${drive^^}:" sample.bin
  check "-o ${drive^^}: writes into the drive's current folder" [ -f modsample.bas ]
  rm -f modsample.bas
  run -o "${drive^^}:\\" sample.bin
  check "-o ${drive^^}:\\ writes into that drive's root" [ -f modsample.bas ]
  cd "$work"
  rm -f "$mapped" && mapped=""
fi

echo "cli (Windows): $passed passed, $failed failed"
[ "$failed" = 0 ]
