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
trap 'rm -rf "$work"' EXIT
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

cp sample.bin keep.bin
run -o sample.bin sample.bin
check "OUT that is FILE is refused" rc 2
check "and FILE survives" cmp -s sample.bin keep.bin

run nodir/x.bin
check "errors name their subject" grep -qF 'quorvel-gen: nodir/x.bin: error 76: Path not found' err

timeout 120 "${wine_run[@]}" "$gen" --name s.bin - <sample.bin >out 2>err
check "standard input" grep -qF '51756F7276656C2073616D706C650D0A' out

mkdir many
run -o many sample.bin dash.bas
check "several FILEs into a folder" [ -f many/modsample.bas ] && [ -f many/moddash.bas ]

echo "cli (Windows): $passed passed, $failed failed"
[ "$failed" = 0 ]
