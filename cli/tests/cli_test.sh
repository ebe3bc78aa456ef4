#!/usr/bin/env bash
# Drives quorvel-gen as a user would and checks what it prints, writes and returns.
# usage: cli_test.sh QUORVEL_GEN
set -u
gen=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
passed=0 failed=0
check() {  # check NAME CONDITION...
  local name=$1; shift
  if "$@"; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAILED: $name"; fi
}
run() { "$gen" "$@" >"$work/out" 2>"$work/err"; echo $? >"$work/rc"; }
rc() { [ "$(cat "$work/rc")" = "$1" ]; }
has() { grep -qF -- "$2" "$work/$1"; }

printf '\x00\x0a\xff' >"$work/a.b"

run --version
check "version" rc 0
check "version text" [ "$(cat "$work/out")" = "2.0.9" ]

run --help
check "help" rc 0
check "help text" has out "usage: quorvel-gen"

run --dest 'C:\Out' "$work/a.b"
check "convert" rc 0
check "CRLF line ends, last line too" [ "$(tail -c 10 "$work/out" | od -An -c | tr -s ' ')" = " E n d S u b \r \n" ]
check "Open line" has out 'Open "C:\Out\a.b" For Binary As cl_fp'
check "data line" has out 'Call WriteBytes("000AFF")'
check "no bare LF" [ "$(grep -c $'[^\r]$' "$work/out")" = 0 ]

run --private --name "caf$(printf '\xc3\xa9') 1.txt" -o "$work/m.bas" "$work/a.b"
check "private to file" rc 0
check "nothing on stdout with -o" [ ! -s "$work/out" ]
check "scope word" grep -q '^Private cl_fp As Integer' "$work/m.bas"
check "name in Windows-1252" grep -qF "$(printf 'Open ".\\caf\xe9 1.txt"')" "$work/m.bas"
check "names compile" grep -q '^Private Sub caf__1_txt_Part1()' "$work/m.bas"

run --name "$(printf '\xe4\xb8\xad').bin" "$work/a.b"
check "unmappable is refused" rc 1
check "unmappable is error 52" has err "error 52: Bad file name or number"
check "unmappable writes no module" [ ! -s "$work/out" ]

head -c 20000 /dev/urandom >"$work/r.bin"
run --verify "$work/r.bin"
check "verify stdout" rc 0
check "verify says so" has err "verified: 7 part(s), 20000 bytes"
run --verify -o "$work/r.bas" "$work/r.bin"
check "verify written file" rc 0

run "$work/missing.bin"
check "missing file is error 53" rc 1
check "missing file message" has err "error 53: File not found"
check "no module for a missing file" [ ! -s "$work/out" ]
run "$work/nofolder/x.bin"
check "missing folder is error 76" has err "error 76: Path not found"
run "$work"
check "a folder is error 75" has err "error 75: Path/File access error"
run -o "$work/nofolder/x.bas" "$work/a.b"
check "unwritable output is an error" rc 1

run
check "no FILE is a usage error" rc 2
run --bogus "$work/a.b"
check "unknown option" rc 2
run --dest
check "option without value" rc 2
run "$work/a.b" "$work/a.b"
check "two files" rc 2

head -c $((2200 * 1024)) /dev/zero >"$work/big.bin"
run -o "$work/big.bas" "$work/big.bin"
check "large module converts" rc 0
check "warns past 65,534 lines" has err "a VB6 module holds at most 65534"
run "$work/a.b"
check "no warning for small modules" [ ! -s "$work/err" ]

echo "cli: $passed passed, $failed failed"
[ "$failed" = 0 ]
