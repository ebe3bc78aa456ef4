#!/usr/bin/env bash
# Drives quorvel-gen as a user would and checks what it prints, writes and returns.
# usage: cli_test.sh QUORVEL_GEN
set -u
gen=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
work=$(mktemp -d)
mounted=""
cleanup() { [ -n "$mounted" ] && umount "$mounted" 2>/dev/null; rm -rf "$work"; }
trap cleanup EXIT
passed=0 failed=0 skipped=0
check() {  # check NAME CONDITION...
  local name=$1; shift
  if "$@"; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAILED: $name"; fi
}
skip() { skipped=$((skipped + 1)); echo "skipped: $*"; }
# Every run has a time limit: nothing here may hang the test command.
run() { timeout 60 "$gen" "$@" >"$work/out" 2>"$work/err" </dev/null; echo $? >"$work/rc"; }
run_in() { local input=$1; shift; timeout 60 "$gen" "$@" <"$input" >"$work/out" 2>"$work/err"; echo $? >"$work/rc"; }
rc() { [ "$(cat "$work/rc")" = "$1" ]; }
has() { grep -qF -- "$2" "$work/$1"; }
lines() { [ "$(wc -l <"$work/$1")" = "$2" ]; }
same() { cmp -s "$1" "$2"; }
no_temp() { [ -z "$(find "$1" -maxdepth 1 -name '.*.bas.*' -print -quit)" ]; }

printf '\x00\x0a\xff' >"$work/a.b"

# --- The module text and the basics ---------------------------------------------------------

run --dest 'C:\Out' "$work/a.b"
check "convert" rc 0
check "CRLF line ends, last line too" [ "$(tail -c 10 "$work/out" | od -An -c | tr -s ' ')" = " E n d S u b \r \n" ]
check "Open line" has out 'Open "C:\Out\a.b" For Binary As cl_fp'
check "data line" has out 'Call WriteBytes("000AFF")'
check "no bare LF" [ "$(grep -c $'[^\r]$' "$work/out")" = 0 ]
cp "$work/out" "$work/a.expected"
timeout 60 "$gen" "$work/a.b" >"$work/a.expected.dot"

run --private --name "caf$(printf '\xc3\xa9') 1.txt" -o "$work/m.bas" "$work/a.b"
check "private to file" rc 0
check "nothing on stdout with -o" [ ! -s "$work/out" ]
check "scope word" grep -q '^Private cl_fp As Integer' "$work/m.bas"
check "name in Windows-1252" grep -qF "$(printf 'Open ".\\caf\xe9 1.txt"')" "$work/m.bas"
check "names compile" grep -q '^Private Sub caf__1_txt_Part1()' "$work/m.bas"
check "a new module gets the usual mode" [ "$(stat -c %a "$work/m.bas")" = "$(printf '%o' $((0666 & ~$(umask))))" ]
chmod 600 "$work/m.bas"
run -o "$work/m.bas" "$work/a.b"
check "a replaced module keeps its mode" [ "$(stat -c %a "$work/m.bas")" = 600 ]

head -c 20000 /dev/urandom >"$work/r.bin"
run --verify "$work/r.bin"
check "verify stdout" rc 0
check "verify says so" has err "verified: 7 part(s), 20000 bytes"
run --verify -o "$work/r.bas" "$work/r.bin"
check "verify written file" rc 0
run -q --verify -o "$work/r.bas" "$work/r.bin"
check "quiet verify says nothing" [ ! -s "$work/err" ]

# --- Names a module cannot carry as they are -------------------------------------------------

# Refused with 52, naming the argument to change and why; no module, and OUT untouched. The
# module re-creates one file in the destination: nothing in the name may lead elsewhere.
printf 'kept\r\n' >"$work/kept.bas"
cp "$work/kept.bas" "$work/kept.copy"
while IFS='|' read -r subject detail args; do
  eval "set -- $args"
  run -o "$work/kept.bas" "$@"
  check "[$subject] is error 52" has err "quorvel-gen: $subject: error 52: Bad file name or number ($detail"
  check "[$subject] leaves OUT" same "$work/kept.bas" "$work/kept.copy"
  run "$@"
  check "[$subject] writes no module" [ ! -s "$work/out" ]
done <<'EOF'
--name a\r\nKill "C:\x"\r\n.bin|the file name holds U+000D|--name $'a\r\nKill "C:\\x"\r\n.bin' "$work/a.b"
--dest C:\tab\there|the destination holds U+0009|--dest $'C:\\tab\there' "$work/a.b"
--name 日本語.txt|the file name holds U+65E5|--name 日本語.txt "$work/a.b"
--dest C:\Ω|the destination holds U+03A9|--dest 'C:\Ω' "$work/a.b"
--name ..\..\boot.ini|the file name holds "\", which Windows does not allow|--name '..\..\boot.ini' "$work/a.b"
--name a.txt:s|the file name holds ":"|--name a.txt:s "$work/a.b"
--name say "hi".txt|the file name holds """|--name 'say "hi".txt' "$work/a.b"
--name a?.txt|the file name holds "?"|--name 'a?.txt' "$work/a.b"
--name CON|the file name is the device name CON, which Windows keeps for a device|--name CON "$work/a.b"
--name lpt1.txt|the file name is the device name lpt1|--name lpt1.txt "$work/a.b"
--name ..|the file name is "..", which names a folder|--name .. "$work/a.b"
--name a.txt.|the file name ends in a dot|--name a.txt. "$work/a.b"
--name a.txt |the file name ends in a blank|--name 'a.txt ' "$work/a.b"
--dest C:\x" & Shell("calc") & "|the destination holds """|--dest 'C:\x" & Shell("calc") & "' "$work/a.b"
--dest C:\a<b|the destination holds "<"|--dest 'C:\a<b' "$work/a.b"
--dest C:\x\a.txt:s|the destination holds ":" other than after a drive letter|--dest 'C:\x\a.txt:s' "$work/a.b"
EOF
mkdir "$work/names"
printf 'x' >"$work/names/x\..\..\Windows\evil.dll"
run "$work/names/x\..\..\Windows\evil.dll"
check "a FILE whose name leads elsewhere on Windows is refused" \
  has err "quorvel-gen: $work/names/x\..\..\Windows\evil.dll: error 52: Bad file name or number (the file name holds \"\\\""
for dest in '\\?\C:\Data' '\\server\share\Data' 'C:' 'D:rel\x'; do
  run --dest "$dest" "$work/a.b"
  check "destination $dest is taken" has out "Open \"$dest\\a.b\" For Binary As cl_fp"
done
# A lone separator is the root of the current drive, in both layouts (a doubled one names a server).
for dest in '\' /; do
  run --dest "$dest" "$work/a.b"
  check "destination $dest is the drive's root" has out 'Open "\a.b" For Binary As cl_fp'
  run --layout compact --dest "$dest" "$work/a.b"
  check "compact: destination $dest is the drive's root" has out 'Open "\a.b" For Binary As #f'
done
# The name of a refused file and the reason, as they reach the terminal: no character that
# moves the cursor, turns the text around or shows nothing.
for c in $'\xe2\x80\xae':202E $'\xc2\x9b':009B $'\xe2\x81\xa6':2066 $'\xd8\x9c':061C \
         $'\xe2\x80\x8b':200B $'\xef\xbb\xbf':FEFF $'\xe2\x81\xa0':2060 $'\xe1\xa0\x8e':180E \
         $'\xe2\x80\x8d':200D; do
  char=${c%%:*} code=${c#*:}
  printf 'x' >"$work/names/a${char}b.txt"
  run "$work/names/a${char}b.txt"
  check "U+$code is escaped in the subject" has err "quorvel-gen: $work/names/a\\u${code}b.txt: error 52"
  check "U+$code is escaped in the detail" has err "holds U+$code \"\\u$code\", which"
  check "U+$code does not reach the terminal" [ "$(grep -cF "$char" "$work/err")" = 0 ]
done
printf 'x' >"$work/names/"$'a\x9bb'
run "$work/names/"$'a\x9bb'
check "a byte that is not UTF-8 is escaped" has err "quorvel-gen: $work/names/a\\x9Bb: error 52"
printf 'x' >"$work/new"$'\n'"line.bin"
run "$work/new"$'\n'"line.bin"
check "a FILE named with a line break is named" has err "quorvel-gen: $work/new\nline.bin: error 52: Bad file name or number (the file name holds U+000A"
run --name 'Mein Bild – Größe.txt' "$work/a.b"
check "Windows-1252 characters go in as Windows-1252" has out "$(printf 'Open ".\\Mein Bild \x96 Gr\xf6\xdfe.txt" For Binary')"

# --- Errors name what they are about --------------------------------------------------------

run "$work/missing.bin"
check "missing file" has err "quorvel-gen: $work/missing.bin: error 53: File not found"
check "missing file is exit 1" rc 1
check "no module for a missing file" [ ! -s "$work/out" ]
run "$work/nofolder/x.bin"
check "missing folder" has err "quorvel-gen: $work/nofolder/x.bin: error 76: Path not found"
run "$work"
check "a folder as FILE" has err "quorvel-gen: $work: error 75: Path/File access error"
run -o "$work/nofolder/x.bas" "$work/a.b"
check "unwritable OUT names OUT" has err "quorvel-gen: $work/nofolder/x.bas: error 76: Path not found"
mkdir -m 755 "$work/locked" && cp "$work/a.b" "$work/locked/a.b" && chmod 000 "$work/locked/a.b"
if [ "$(id -u)" = 0 ]; then
  (cd "$work" && setpriv --reuid=65534 --regid=65534 --clear-groups "$gen" locked/a.b) 2>"$work/err" >/dev/null
else
  (cd "$work" && "$gen" locked/a.b) 2>"$work/err" >/dev/null
fi
check "no permission is error 70" has err "quorvel-gen: locked/a.b: error 70: Permission denied"

# --- The conventions, one row each: expected exit, text on stderr, then the arguments --------

printf 'abc' >"$work/-x.bin"
cp "$work/a.b" "$work/--help"
cd "$work"
while IFS='|' read -r want_rc want_err args; do
  [ -z "$want_rc" ] && continue
  eval "set -- $args"
  run_in "$work/a.b" "$@"
  check "[$args] exit $want_rc" rc "$want_rc"
  [ -n "$want_err" ] && check "[$args] says: $want_err" has err "$want_err"
  [ "$want_rc" = 2 ] && check "[$args] one line" lines err 1
done <<'EOF'
0||--name a.b -
2|quorvel-gen: standard input ("-") needs --name NAME|-
0||--name=a.b -o - a.b
0||-- -x.bin
0||--dest=D:\\x --name=a.b --output=o1.bas a.b
0||-oo2.bas a.b
0||-- --help
0||a.b --name a.b -o o3.bas --help
2|quorvel-gen: -o needs a value; --help is never one (try --help)|-o --help a.b
2|quorvel-gen: --name needs a value; --version is never one (try --help)|--name --version a.b
2|quorvel-gen: --output needs a value; -h is never one (try --help)|--output -h a.b
2|quorvel-gen: --dest needs a value; --help is never one (try --help)|--dest --help a.b
2|quorvel-gen: --dest may not be empty ("." is the current folder) (try --help)|--dest '' a.b
2|quorvel-gen: --dest may not be empty|--dest= a.b
2|quorvel-gen: unknown option --x (try --help)|--x a.b
2|quorvel-gen: unknown option --x (try --help)|--x=1 a.b
2|quorvel-gen: unknown option -z (try --help)|-z a.b
2|quorvel-gen: --dest needs a value (try --help)|a.b --dest
2|quorvel-gen: FILE is missing (try --help)|
2|quorvel-gen: several FILEs need -o FOLDER|a.b a.b
1|quorvel-gen: nodir/a.b: error 76: Path not found|nodir/a.b
0||--layout=compact a.b
0||--layout classic --max-lines=10 -q a.b
2|quorvel-gen: --layout is classic or compact, not Compact (try --help)|--layout Compact a.b
2|quorvel-gen: --layout needs a value; --help is never one (try --help)|--layout --help a.b
2|quorvel-gen: --max-lines takes a number of lines from 1 to 65534, not 0 (try --help)|--max-lines 0 a.b
2|quorvel-gen: --max-lines takes a number of lines from 1 to 65534, not 65535|--max-lines=65535 a.b
2|quorvel-gen: --max-lines takes a number of lines from 1 to 65534, not 1e3|--max-lines 1e3 a.b
2|quorvel-gen: --max-lines takes a number of lines from 1 to 65534, not -5|--max-lines -5 a.b
2|quorvel-gen: --max-lines needs a value (try --help)|a.b --max-lines
EOF
cd - >/dev/null
check "--name= and --output=" grep -qF 'Call WriteBytes("000AFF")' "$work/o1.bas"
check "--dest= and --output=" grep -qF 'Open "D:\x\a.b"' "$work/o1.bas"
check "-oOUT" grep -qF 'Open ".\a.b"' "$work/o2.bas"
check "--help ends the reading" [ ! -e "$work/o3.bas" ]
check "--help is never OUT" same "$work/--help" "$work/a.b"

run --help
check "help is all on stdout" rc 0
for word in --private --dest --name --output --force --verify --strict --quiet -- "standard input" \
  "--layout classic|compact" --max-lines Bytes_ "mod<name>_2.bas"; do
  check "help tells of $word" has out "$word"
done
run --version
check "version" [ "$(cat "$work/out")" = "2.0.9" ]

# --- OUT is never lost ----------------------------------------------------------------------

head -c 100000 /dev/urandom >"$work/in.bin"
cp "$work/in.bin" "$work/in.copy"
run -o "$work/in.bin" "$work/in.bin"
check "OUT that is FILE is refused" rc 2
check "the refusal names both" has err "$work/in.bin: it is the same file as $work/in.bin"
check "FILE survives -o FILE" same "$work/in.bin" "$work/in.copy"
ln -s in.bin "$work/link.bin"
run -o "$work/link.bin" "$work/in.bin"
check "OUT that is FILE through a link is refused" rc 2
check "FILE survives -o LINK" same "$work/in.bin" "$work/in.copy"
run_in "$work/in.bin" --name in.bin -o "$work/in.bin" -
check "OUT that is standard input is refused" rc 2
check "FILE survives -o FILE < FILE" same "$work/in.bin" "$work/in.copy"

# A read-only OUT is refused as the window's Save refuses it; --force replaces it, read-only.
printf 'read-only\r\n' >"$work/ro.bas"
cp "$work/ro.bas" "$work/ro.copy"
chmod 444 "$work/ro.bas"
run -o "$work/ro.bas" "$work/a.b"
check "a read-only OUT is error 75" has err "quorvel-gen: $work/ro.bas: error 75: Path/File access error (the file is read-only; --force replaces it)"
check "a read-only OUT stays" same "$work/ro.bas" "$work/ro.copy"
run --force -o "$work/ro.bas" "$work/a.b"
check "--force replaces a read-only OUT" same "$work/ro.bas" "$work/a.expected.dot"
check "and it stays read-only" [ "$(stat -c %a "$work/ro.bas")" = 444 ]

# A link as OUT: the file it points to gets the module, also when it is not there yet.
ln -s sub/target.bas "$work/dangling.bas"
mkdir "$work/sub"
run -o "$work/dangling.bas" "$work/a.b"
check "a dangling link as OUT writes its target" same "$work/sub/target.bas" "$work/a.expected.dot"
check "and stays a link" [ -L "$work/dangling.bas" ]
run -o "$work/dangling.bas" "$work/r.bin"
check "a link to a file as OUT writes the file" grep -qF 'Open ".\r.bin"' "$work/sub/target.bas"
check "and stays a link too" [ -L "$work/dangling.bas" ]

# OUT that is where standard output goes is written there, never cut.
for out in /dev/stdout /dev/fd/1 /proc/self/fd/1; do
  printf 'log line\n' >"$work/log"
  (timeout 60 "$gen" -o "$out" "$work/a.b" >>"$work/log") 2>"$work/err"
  check "-o $out >> log keeps the log" [ "$(head -n 1 "$work/log")" = "log line" ]
  check "-o $out >> log appends the module" [ "$(tail -c +10 "$work/log" | cmp - "$work/a.expected.dot" && echo same)" = same ]
done

printf 'old module\r\n' >"$work/old.bas"
cp "$work/old.bas" "$work/old.copy"
truncate -s $((1 << 31)) "$work/huge.bin"
run -o "$work/old.bas" "$work/huge.bin"
check "2 GiB is error 6" has err "quorvel-gen: $work/huge.bin: error 6: Overflow (a module can carry at most 2,147,483,647 bytes)"
check "error 6 leaves OUT" same "$work/old.bas" "$work/old.copy"
rm -f "$work/huge.bin"

# A disk that fills up: as a file size limit (any user), and as a small tmpfs (root).
truncate -s 3M "$work/3m.bin"
(trap '' XFSZ; ulimit -f 2048; exec "$gen" -o "$work/old.bas" "$work/3m.bin") >/dev/null 2>"$work/err"
check "file size limit is error 61" has err "quorvel-gen: $work/old.bas: error 61: Disk full"
check "a full disk leaves OUT" same "$work/old.bas" "$work/old.copy"
check "a full disk leaves no temporary file" no_temp "$work"
mkdir "$work/small"
if [ "$(id -u)" != 0 ]; then
  skip "full tmpfs (mounting a tmpfs needs root)"
elif ! mount -t tmpfs -o size=2m tmpfs "$work/small" 2>"$work/err"; then
  skip "full tmpfs (mount refused: $(cat "$work/err"))"
else
  mounted=$work/small
  cp "$work/old.bas" "$work/small/old.bas"
  run -o "$work/small/old.bas" "$work/3m.bin"
  check "full tmpfs is error 61" has err "error 61: Disk full"
  check "full tmpfs leaves OUT" same "$work/small/old.bas" "$work/old.copy"
  check "full tmpfs leaves no temporary file" [ "$(ls -A "$work/small")" = old.bas ]
  umount "$work/small" && mounted=""
fi

# A signal while a large module is written: OUT as it was, no temporary file.
truncate -s 192M "$work/192m.bin"
set -m  # background jobs keep SIGINT
for sig in INT TERM HUP; do {
  "$gen" -q -o "$work/old.bas" "$work/192m.bin" 2>/dev/null &
  pid=$!
  for _ in $(seq 1 3000); do [ -n "$(find "$work" -maxdepth 1 -name '.old.bas.*' -print -quit)" ] && break; sleep 0.002; done
  kill -s "$sig" "$pid"
  wait "$pid"
  status=$?
  check "SIG$sig stops the run" [ "$status" = $((128 + $(kill -l "$sig"))) ]
  check "SIG$sig leaves OUT" same "$work/old.bas" "$work/old.copy"
  check "SIG$sig leaves no temporary file" no_temp "$work"
} 2>/dev/null; done  # without the shell's notes on stopped jobs
set +m
rm -f "$work/192m.bin" "$work/3m.bin"

# A source that shrinks or grows while it is read. The module goes into a pipe that is left
# unread until the source has changed, so the change falls in the middle of the run.
mkfifo "$work/pipe"
head -c $((16 << 20)) /dev/urandom >"$work/moving.bin"
"$gen" "$work/moving.bin" >"$work/pipe" 2>"$work/err" & pid=$!
exec 3<"$work/pipe"; head -c 1 <&3 >/dev/null  # the length is taken before the first byte comes
truncate -s 1000 "$work/moving.bin"
cat <&3 >/dev/null; exec 3<&-; wait "$pid"; echo $? >"$work/rc"
check "a shrinking source fails" rc 1
check "and says so" has err "error 62: Input past end of file (the file shrank from 16777216 to 1000 bytes while it was read)"

head -c $((1 << 20)) /dev/urandom >"$work/moving.bin"
"$gen" --verify "$work/moving.bin" >"$work/pipe" 2>"$work/err" & pid=$!
exec 3<"$work/pipe"; head -c 1 <&3 >/dev/null  # the length is taken before the first byte comes
head -c $((3 << 20)) /dev/urandom >>"$work/moving.bin"
cat <&3 >/dev/null; exec 3<&-; wait "$pid"; echo $? >"$work/rc"
check "a growing source is cut where it began" grep -q "verified: [0-9]* part(s), 1048576 bytes" "$work/err"
check "the line count is the cut source's" [ "$(grep -c warning "$work/err")" = 0 ]

# --- Sources that are not plain files ---------------------------------------------------------

printf '\x00\x0a\xff' | timeout 60 "$gen" --name a.b --dest 'C:\Out' - >"$work/out" 2>"$work/err"
check "standard input gives the module of its bytes" same "$work/out" "$work/a.expected"
(printf '\x00\x0a\xff' >"$work/pipe" &)
run --dest 'C:\Out' --name a.b "$work/pipe"
check "a FIFO gives the module of its bytes" same "$work/out" "$work/a.expected"
# Into a file, a pipe is converted as it comes; the module is the same, and --strict and
# --verify hold as for a file.
printf '\x00\x0a\xff' | timeout 60 "$gen" --verify --name a.b --dest 'C:\Out' -o "$work/piped.bas" - 2>"$work/err"
check "a pipe into a file gives the module of its bytes" same "$work/piped.bas" "$work/a.expected"
check "and verifies it" has err "verified: 1 part(s), 3 bytes"
head -c 20000 "$work/r.bin" | timeout 60 "$gen" -q --verify --name r.bin -o "$work/piped.bas" - 2>"$work/err"
check "a longer pipe into a file verifies" [ ! -s "$work/err" ] && grep -qF 'Open ".\r.bin"' "$work/piped.bas"
cp "$work/piped.bas" "$work/piped.copy"
head -c $((2200 * 1024)) /dev/zero | timeout 60 "$gen" --strict --name big.bin -o "$work/piped.bas" - 2>"$work/err"
check "--strict fails a long module from a pipe" has err "quorvel-gen: standard input: the module would have 73219 lines"
check "and leaves OUT" same "$work/piped.bas" "$work/piped.copy"
check "and no temporary file" no_temp "$work"
run --verify /proc/self/status
check "a /proc file is not empty" grep -q 'verified: 1 part(s), [1-9][0-9]* bytes' "$work/err"
run -o "$work/old.bas" /dev/zero
check "/dev/zero is error 6" has err "quorvel-gen: /dev/zero: error 6: Overflow"
check "/dev/zero leaves OUT" same "$work/old.bas" "$work/old.copy"
timeout 60 "$gen" --verify -o /dev/stdout "$work/r.bin" 2>"$work/err" | cat >"$work/out"
check "--verify into a pipe verifies what it wrote" has err "verified: 7 part(s), 20000 bytes"
check "--verify into a pipe writes the module" [ "$(wc -c <"$work/out")" -gt 50000 ]

# --- Module length ---------------------------------------------------------------------------

head -c $((2200 * 1024)) /dev/zero >"$work/big.bin"
run -o "$work/big.bas" "$work/big.bin"
check "large module converts" rc 0
check "warns past 65,534 lines" has err "quorvel-gen: $work/big.bin: warning: the module has 73219 lines; a VB6 module holds at most 65534"
run -q -o "$work/big.bas" "$work/big.bin"
check "-q drops the warning" [ ! -s "$work/err" ]
rm "$work/big.bas"
run --strict -o "$work/big.bas" "$work/big.bin"
check "--strict fails a long module" rc 1
check "--strict says why" has err "73219 lines"
check "--strict writes nothing" [ ! -e "$work/big.bas" ]
run "$work/a.b"
check "no warning for small modules" [ ! -s "$work/err" ]

# --- The compact layout ------------------------------------------------------------------

run --layout classic --dest 'C:\Out' "$work/a.b"
check "--layout classic is the module of old" same "$work/out" "$work/a.expected"
run --layout compact --dest 'C:\Out' "$work/a.b"
check "compact" rc 0
check "compact: its VB_Name" has out 'Attribute VB_Name = "moda"'
check "compact: the length" has out 'Public Const a_b_Length As Long = 3'
check "compact: Create_" has out 'Public Sub Create_a_b( )'
check "compact: Bytes_" has out 'Public Function Bytes_a_b() As Variant'
check "compact: the data" has out 'W b,n,f,"000AFF": End Sub'
check "compact: the target" has out 'Open "C:\Out\a.b" For Binary As #f'
check "compact: no bare LF" [ "$(grep -c $'[^\r]$' "$work/out")" = 0 ]
run --layout compact --private "$work/a.b"
check "compact --private" has out 'Private Function Bytes_a_b() As Variant'

# A compact module past the line budget becomes a set, one file a module, with -o FOLDER only.
head -c 300001 /dev/urandom >"$work/split.bin"
mkdir "$work/set"
run --layout compact --max-lines 300 --verify -o "$work/set" "$work/split.bin"
check "a set" rc 0
check "a set: one file a module" [ "$(ls "$work/set" | tr '\n' ' ')" = "modsplit.bas modsplit_2.bas modsplit_3.bas " ]
check "a set: verified as a whole" has err "quorvel-gen: $work/split.bin: verified: 3 module(s), 300001 bytes"
check "a set: every module within the budget" [ "$(for f in "$work/set/"*.bas; do wc -l <"$f"; done | sort -n | tail -n 1)" -le 300 ]
check "a set: every line within 1,023 characters" [ "$(cat "$work/set/"*.bas | awk '{ if (length($0) > m) m = length($0) } END { print m }')" -le 1024 ]
check "a set: module 2 names its first" grep -qF "' Module 2 of 3 for Create_split_bin: import it with modsplit" "$work/set/modsplit_2.bas"
head -c 300001 "$work/split.bin" | timeout 60 "$gen" --layout compact --max-lines 300 --verify --name split.bin \
  -o "$work/set" - 2>"$work/err"
check "a set from standard input" has err "quorvel-gen: standard input: verified: 3 module(s), 300001 bytes"

# Refused: a set with nowhere to go, a budget too small, names that meet across two sets.
cp "$work/kept.copy" "$work/kept.bas"
for out in - "$work/kept.bas"; do
  run --layout compact --max-lines 300 -o "$out" "$work/split.bin"
  check "a set into $out is a usage error" rc 2
  check "a set into $out names -o FOLDER" has err "quorvel-gen: $work/split.bin becomes 3 compact modules under --max-lines 300; a set of modules needs -o FOLDER (an existing folder) (try --help)"
  check "a set into $out writes nothing" [ ! -s "$work/out" ]
done
check "a set refused leaves OUT" same "$work/kept.bas" "$work/kept.copy"
head -c 300001 "$work/split.bin" | timeout 60 "$gen" --layout compact --max-lines 300 --name split.bin - >"$work/out" 2>"$work/err"
check "a set from standard input into standard output names -o FOLDER" has err "quorvel-gen: standard input becomes 3 compact modules"
check "and writes nothing" [ ! -s "$work/out" ]
run --layout compact --max-lines 40 -o "$work/set" "$work/split.bin"
check "a budget too small is error 5 about --max-lines" \
  has err "quorvel-gen: --max-lines 40: error 5: Invalid procedure call or argument (a line budget of 40 lines is too small: the first module alone needs 48)"
mkdir "$work/clash" "$work/other"
printf 'x' >"$work/other/Split_2.bin"
run --layout compact --max-lines 300 -o "$work/clash" "$work/split.bin" "$work/other/Split_2.bin"
check "two sets whose names meet are refused" rc 2
check "the refusal names the module" has err "$work/split.bin and $work/other/Split_2.bin would both be written to $work/clash/modSplit_2.bas (the same VB_Name)"
check "nothing is written when names meet" [ -z "$(ls -A "$work/clash")" ]
run --max-lines 300 -o "$work/clash" "$work/split.bin" "$work/other/Split_2.bin"
check "classic modules never split, so the same two are fine" [ "$(ls "$work/clash" | tr '\n' ' ')" = "modSplit_2.bas modsplit.bas " ]

# --libreoffice: compact modules of at most three parts (48,000 characters of data), a set past
# what 80 lines a module could hold; not with --layout classic.
head -c 800000 /dev/urandom >"$work/lo.bin"
mkdir "$work/lo"
run --libreoffice --verify -o "$work/lo" "$work/lo.bin"
check "--libreoffice: a set" has err "quorvel-gen: $work/lo.bin: verified: 34 module(s), 800000 bytes"
check "--libreoffice: every module within LibreOffice's literals" \
  [ "$(for f in "$work/lo/"*.bas; do grep -v "^'" "$f" | grep -o '"[^"]*"' | tr -d '"\n' | wc -c; done | sort -n | tail -n 1)" -le 48100 ]
run --libreoffice --layout classic "$work/lo.bin"
check "--libreoffice is not for classic modules" has err "quorvel-gen: --libreoffice plans compact modules; it does not go with --layout classic (try --help)"
rm -r "$work/lo" "$work/lo.bin"

# A classic module past the budget is warned of, or fails with --strict.
run --max-lines 680 -o "$work/big.bas" "$work/r.bin"
check "classic within --max-lines says nothing" [ ! -s "$work/err" ]
run --max-lines 100 -o "$work/big.bas" "$work/r.bin"
check "classic past --max-lines warns" has err "quorvel-gen: $work/r.bin: warning: the module has 680 lines, more than --max-lines 100"
run --strict --max-lines 100 -o "$work/new.bas" "$work/r.bin"
check "--strict holds classic to --max-lines" has err "the module would have 680 lines, more than --max-lines 100 (--strict)"
check "and writes nothing" [ ! -e "$work/new.bas" ]

# All or nothing over every module of every set: a module of the old set that cannot be
# replaced leaves the whole old set as it was.
for f in "$work/set/"*.bas; do cp -p "$f" "$f.old"; done
head -c 300001 /dev/urandom >"$work/other/split.bin"
chmod 444 "$work/set/modsplit_3.bas"
run --layout compact --max-lines 300 -o "$work/set" "$work/other/split.bin"
check "a read-only module of a set is error 75" has err "quorvel-gen: $work/set/modsplit_3.bas: error 75"
chmod 644 "$work/set/modsplit_3.bas"
check "and the set stays as it was" \
  [ "$(for f in "$work/set/"*.bas; do cmp -s "$f" "$f.old" || echo "$f"; done)" = "" ]
if [ "$(id -u)" != 0 ]; then
  skip "a later module of a set that cannot be moved (an immutable file needs root)"
elif ! chattr +i "$work/set/modsplit_3.bas" 2>/dev/null; then
  skip "a later module of a set that cannot be moved (chattr +i refused here)"
else
  run --force --layout compact --max-lines 300 -o "$work/set" "$work/other/split.bin"
  chattr -i "$work/set/modsplit_3.bas"
  check "a module of a set that cannot be moved fails the run" has err "quorvel-gen: $work/set/modsplit_3.bas: error 70"
  check "the modules moved before it get their old files back" \
    [ "$(for f in "$work/set/"*.bas; do cmp -s "$f" "$f.old" || echo "$f"; done)" = "" ]
  check "no temporary file beside the set" no_temp "$work/set"
fi
run --layout compact --max-lines 300 --verify -o "$work/set" "$work/other/split.bin"
check "a set replaces the old set" has err "verified: 3 module(s), 300001 bytes"
check "with the new modules" [ "$(cmp -s "$work/set/modsplit_2.bas" "$work/set/modsplit_2.bas.old" || echo new)" = new ]
rm -r "$work/other" "$work/set/"*.old

# OUT that is the very FIFO, pipe or device FILE is: refused before anything is read (a FIFO's
# writer would otherwise feed the run its own module, or wait for ever).
rm -f "$work/pipe" && mkfifo "$work/pipe"
timeout 10 sh -c 'head -c 100000 /dev/urandom >"$1"' sh "$work/pipe" & writer=$!
run -o "$work/pipe" "$work/pipe"
check "OUT that is the FIFO FILE is is refused" rc 2
check "and the refusal names it" has err "quorvel-gen: will not write $work/pipe: it is the same file as $work/pipe"
timeout 10 cat "$work/pipe" >"$work/out"; wait "$writer"
check "the FIFO's bytes were left unread" [ "$(wc -c <"$work/out")" = 100000 ]
printf abc | timeout 60 "$gen" --name a.bin -o /dev/stdin - >"$work/out" 2>"$work/err"; echo $? >"$work/rc"
check "OUT that is the pipe standard input is is refused" rc 2
check "and names standard input" has err "quorvel-gen: will not write /dev/stdin: it is the same file as standard input"
run_in /dev/null --name a.bin -o /dev/stdin -
check "OUT that is the device standard input is is refused" rc 2

# --- Several FILEs into a folder ---------------------------------------------------------------

mkdir "$work/many" "$work/src"
printf 'one' >"$work/src/one.txt"
printf 'two' >"$work/src/two.dat"
run --verify -o "$work/many" "$work/src/one.txt" "$work/src/two.dat"
check "several FILEs" rc 0
check "each gives <VB_Name>.bas" [ "$(ls "$work/many" | tr '\n' ' ')" = "modone.bas modtwo.bas " ]
check "each names its own file" grep -qF 'Open ".\two.dat"' "$work/many/modtwo.bas"
printf 'ONE' >"$work/src/One.bin"
run -o "$work/many" "$work/src/two.dat" "$work/src/one.txt" "$work/src/One.bin"
check "colliding VB_Names are refused" rc 2
check "the refusal names both" has err "$work/src/one.txt and $work/src/One.bin would both be written to $work/many/modOne.bas"
check "nothing written on a collision" [ "$(ls "$work/many" | wc -l)" = 2 ]
# Modules of one run compile together: two FILEs whose modules would declare one Public name
# are refused before anything is written.
mkdir "$work/public"
head -c 30000 /dev/urandom >"$work/src/a.bin" && cp "$work/src/a.bin" "$work/src/a-bin"
printf 'x' >"$work/src/x.Length" && printf 'y' >"$work/src/Create_x"
while IFS='|' read -r name first second args; do
  eval "set -- $args" && eval "first=\"$first\" second=\"$second\""
  run -o "$work/public" "$@"
  check "[$name] is refused" rc 2
  check "[$name] names both FILEs, the name and --name" \
    has err "quorvel-gen: $first and $second would both declare Public $name, and modules of one run must compile together in one project; convert one of them with --name"
  check "[$name] writes nothing" [ -z "$(ls -A "$work/public")" ]
done <<'EOF2'
Create_a_bin|$work/src/a.bin|$work/src/a-bin|"$work/src/a.bin" "$work/src/a-bin"
a_bin_Parts2|$work/src/a.bin|$work/src/a-bin|--private --layout compact --max-lines 60 "$work/src/a.bin" "$work/src/a-bin"
Create_x_Length|$work/src/x.Length|$work/src/Create_x|"$work/src/x.Length" --layout compact "$work/src/Create_x"
EOF2
run --private -o "$work/public" "$work/src/one.txt" "$work/src/a-bin"
check "names that do not meet are fine" rc 0
rm -r "$work/public" "$work/src/a-bin" "$work/src/x.Length" "$work/src/Create_x"

# Two targets that are one file, by a link to another target of the run: refused before
# anything is written, as each module would replace the other.
head -c 30000 /dev/urandom >"$work/src/a.bin"
while IFS='|' read -r what link other args; do
  rm -rf "$work/linked" && mkdir "$work/linked"
  eval "set -- $args" && eval "other=\"$other\""
  printf 'old\r\n' >"$work/linked/moda.bas"
  case $what in
    hard*) ln "$work/linked/moda.bas" "$work/linked/$link" ;;
    dangling*) rm "$work/linked/moda.bas" && ln -s moda.bas "$work/linked/$link" ;;
    *) ln -s moda.bas "$work/linked/$link" ;;
  esac
  ls -l "$work/linked" >"$work/linked.before"
  run -o "$work/linked" "$@"
  check "[$what] is refused" rc 2
  check "[$what] names both" has err "will not write $work/linked/moda.bas and $work/linked/$link: they are one file, and the modules of $other would replace each other"
  check "[$what] writes nothing" [ "$(ls -l "$work/linked")" = "$(cat "$work/linked.before")" ]
done <<'EOF2'
a symbolic link in a compact set|moda_2.bas|$work/src/a.bin|--layout compact --max-lines 60 --verify "$work/src/a.bin"
a symbolic link between two FILEs|modone.bas|$work/src/a.bin and $work/src/one.txt|--verify "$work/src/a.bin" "$work/src/one.txt"
a hard link between two FILEs|modone.bas|$work/src/a.bin and $work/src/one.txt|"$work/src/a.bin" "$work/src/one.txt"
a hard link in a compact set|moda_3.bas|$work/src/a.bin|--layout compact --max-lines 60 "$work/src/a.bin"
a dangling link to another target|modone.bas|$work/src/a.bin and $work/src/one.txt|"$work/src/a.bin" "$work/src/one.txt"
EOF2
rm -r "$work/linked" "$work/src/a.bin"
rm -r "$work/many" && mkdir -p "$work/many/modtwo.bas"
run -o "$work/many" "$work/src/one.txt" "$work/src/two.dat"
check "a failing FILE fails the run" rc 1
check "all or nothing" [ ! -e "$work/many/modone.bas" ]
check "no temporary file after a failed run" no_temp "$work/many"

# Every target is checked before the first is replaced; when one cannot be replaced after all,
# those replaced before it get their old content back.
rm -r "$work/many" && mkdir "$work/many"
printf 'old one\r\n' >"$work/many/modone.bas"
printf 'old two\r\n' >"$work/many/modtwo.bas"
cp -p "$work/many/modone.bas" "$work/one.copy"
cp -p "$work/many/modtwo.bas" "$work/two.copy"
chmod 444 "$work/many/modtwo.bas"
run -o "$work/many" "$work/src/one.txt" "$work/src/two.dat"
check "a read-only second target fails the run" has err "quorvel-gen: $work/many/modtwo.bas: error 75"
check "before the first is replaced" same "$work/many/modone.bas" "$work/one.copy"
chmod 644 "$work/many/modtwo.bas"
# Made read-only while the first source, a FIFO, is read: found when the time to replace comes.
rm -f "$work/pipe" && mkfifo "$work/pipe"
"$gen" -o "$work/many" "$work/pipe" "$work/src/two.dat" >/dev/null 2>"$work/err" & pid=$!
exec 3>"$work/pipe"
cp "$work/many/modtwo.bas" "$work/many/modpipe.bas" && cp -p "$work/many/modpipe.bas" "$work/pipe.copy"
chmod 444 "$work/many/modtwo.bas"
printf 'slow' >&3; exec 3>&-
wait "$pid"
check "a target made read-only during the run is found before any is replaced" \
  has err "quorvel-gen: $work/many/modtwo.bas: error 75"
check "so the first stays as it was" same "$work/many/modpipe.bas" "$work/pipe.copy"
chmod 644 "$work/many/modtwo.bas" && rm "$work/many/modpipe.bas"
if [ "$(id -u)" != 0 ]; then
  skip "a second move that fails (an immutable file needs root)"
elif ! chattr +i "$work/many/modtwo.bas" 2>/dev/null; then
  skip "a second move that fails (chattr +i refused here)"
else
  run --force -o "$work/many" "$work/src/one.txt" "$work/src/two.dat"
  chattr -i "$work/many/modtwo.bas"
  check "a second move that fails fails the run" has err "quorvel-gen: $work/many/modtwo.bas: error 70: Permission denied"
  check "the first target gets its old content back" same "$work/many/modone.bas" "$work/one.copy"
  check "the second target is as it was" same "$work/many/modtwo.bas" "$work/two.copy"
  check "no temporary file after putting back" [ "$(ls -A "$work/many" | tr '\n' ' ')" = "modone.bas modtwo.bas " ]
fi
# A sticky folder where the second old module belongs to someone else (as another user).
if [ "$(id -u)" != 0 ]; then
  skip "sticky folder (making files of two users needs root)"
else
  mkdir -m 1777 "$work/sticky"
  cp "$work/one.copy" "$work/sticky/modone.bas" && chown 65534:65534 "$work/sticky/modone.bas"
  cp "$work/two.copy" "$work/sticky/modtwo.bas" && chmod 666 "$work/sticky/modtwo.bas"
  chmod 755 "$work" "$work/src" && chmod 644 "$work/src/"*
  (cd / && timeout 60 setpriv --reuid=65534 --regid=65534 --clear-groups \
     "$gen" -o "$work/sticky" "$work/src/one.txt" "$work/src/two.dat") >/dev/null 2>"$work/err"
  chmod 700 "$work"
  check "a target in a sticky folder that is not ours is error 70" \
    has err "quorvel-gen: $work/sticky/modtwo.bas: error 70: Permission denied (it belongs to someone else"
  check "and nothing is replaced" same "$work/sticky/modone.bas" "$work/one.copy"
  check "no temporary file in the sticky folder" no_temp "$work/sticky"
fi

# A target linked to a source while a slow source is read is refused when the time to replace
# it comes: the source survives.
mkdir "$work/race"
head -c 5000 /dev/urandom >"$work/victim.bin"
cp "$work/victim.bin" "$work/victim.copy"
rm -f "$work/pipe" && mkfifo "$work/pipe"
"$gen" -o "$work/race" "$work/pipe" "$work/victim.bin" >/dev/null 2>"$work/err" & pid=$!
exec 3>"$work/pipe"  # the run has checked its targets and waits for the slow source
sleep 0.3
ln -s ../victim.bin "$work/race/modvictim.bas"
printf 'slow' >&3; exec 3>&-
wait "$pid"; echo $? >"$work/rc"
check "a link planted while a source is read is refused" rc 2
check "the refusal names both" has err "will not write $work/race/modvictim.bas: it is the same file as $work/victim.bin"
check "the linked source survives" same "$work/victim.bin" "$work/victim.copy"
check "nothing else is written" [ ! -e "$work/race/modpipe.bas" ]

# More FILEs than the process may hold open at once: each source is open only in its turn.
mkdir "$work/fds" "$work/fdout"
for i in $(seq 1 40); do printf '%s' "$i" >"$work/fds/f$i.txt"; done
(ulimit -n 12; exec timeout 60 "$gen" -o "$work/fdout" "$work/fds/"f*.txt) >/dev/null 2>"$work/err"
check "40 FILEs with 12 descriptors" [ "$(ls "$work/fdout" | wc -l)" = 40 ]
(ulimit -n 4; exec timeout 60 "$gen" -o "$work/fdout/x.bas" "$work/fds/f1.txt") >/dev/null 2>"$work/err"
check "running out of descriptors names the cause, not a FILE" \
  [ "$(cat "$work/err")" = "quorvel-gen: error 67: Too many files (this program has too many open files)" ]

echo "cli: $passed passed, $failed failed, $skipped skipped"
[ "$failed" = 0 ]
