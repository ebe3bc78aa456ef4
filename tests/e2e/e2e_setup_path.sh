#!/usr/bin/env bash
# quorvel-gen on the machine's PATH from the setups: with a PATH of over 4,000 characters
# (longer than the setup's own strings) the install appends its folder and changes nothing
# else, type included; quorvel-gen --version then runs from a new command prompt; the
# uninstall gives back the value as it was. In the x64 build, given QUORVEL_X86_SETUP, both
# setups side by side: each appends its own folder and takes away only its own.
export QUORVEL_E2E_PREFIX=${QUORVEL_E2E_SETUP_PATH_PREFIX:-$QUORVEL_BUILD/e2e-prefix-setup-path}
source "$(dirname "$0")/lib.sh"
own=$(build_setup_arch)
arches=("$own")
[ "$own" = x64 ] && [ -n "${QUORVEL_X86_SETUP:-}" ] && arches=(x86 x64)
e2e_begin
version=$(sed -nE 's/^project\(Quorvel VERSION ([0-9.]+).*/\1/p' "$QUORVEL_SOURCE/CMakeLists.txt")

env_key='HKLM\System\CurrentControlSet\Control\Session Manager\Environment'
# The registry's own text files carry the value's exact bytes both ways, whatever the console
# code page: reg export, then the name, the type and the text (UTF-8) on one line ...
path_value() {
  rm -f "$WORK/env.reg"
  timeout 60 wine reg export "$env_key" "$(winpath "$WORK/env.reg")" /y >/dev/null 2>&1 || fail "reg export failed"
  python3 - "$WORK/env.reg" <<'PY'
import re, sys
text = open(sys.argv[1], encoding="utf-16").read().replace("\\\n", "")
for line in text.splitlines():
    m = re.match(r'"(path)"=hex\((2|1)\):(.*)$', line, re.I)
    if m:
        raw = bytes(int(h, 16) for h in m.group(3).replace(" ", "").split(",") if h)
        value = raw.decode("utf-16le")
        end = "" if value.endswith("\0") else " (no terminating NUL)"
        print(m.group(1), "REG_EXPAND_SZ" if m.group(2) == "2" else "REG_SZ", value.removesuffix("\0") + end)
    elif re.match(r'"path"=', line, re.I):
        print(line)  # REG_SZ or another type: shown as exported, never equal to what is expected
PY
}
# ... and reg import of a REG_EXPAND_SZ value made from UTF-8 text.
set_path() {
  python3 - "$1" "$WORK/set.reg" <<'PY'
import sys
data = (sys.argv[1] + "\0").encode("utf-16le")
with open(sys.argv[2], "w", encoding="utf-16") as f:
    f.write("Windows Registry Editor Version 5.00\n\n")
    f.write("[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\Session Manager\\Environment]\n")
    f.write('"Path"=hex(2):' + ",".join(f"{b:02x}" for b in data) + "\n")
PY
  timeout 60 wine reg import "$(winpath "$WORK/set.reg")" >/dev/null 2>&1 || fail "reg import failed"
  timeout 60 wineserver -w || true
}
expect_path() {  # expected what
  local now
  now=$(path_value)
  [ "$now" = "$1" ] || {
    diff <(tr ';' '\n' <<<"$1") <(tr ';' '\n' <<<"$now") >&2 || true
    fail "$2"
  }
}
# Wine's own PATH and no install folder, also after an interrupted run.
set_path '%SystemRoot%\system32;%SystemRoot%;%SystemRoot%\system32\wbem;%SystemRoot%\system32\WindowsPowershell\v1.0'
for arch in "${arches[@]}"; do rm -rf "$(setup_unix_dir "$arch")"; done

# A new command prompt in a new Wine session takes its PATH from the registry. Wine 8 cuts
# that copy after about 1,000 characters (the registry keeps the whole value), so this part
# runs with Wine's own short PATH.
short=$(path_value)
setup_install "$own"
expect_path "$short;$(setup_win_dir "$own")" "$own: the install did not append its folder to Wine's PATH"
timeout 60 wineserver -k >/dev/null 2>&1 || true
out=$(cd "$WORK" && timeout 60 wine cmd /c "quorvel-gen --version" 2>/dev/null | tr -d '\r') ||
  fail "quorvel-gen --version from a new command prompt failed: $out"
grep -qF "$version" <<<"$out" || fail "quorvel-gen --version from a new command prompt printed '$out', not version $version"
echo "quorvel-gen --version from a new prompt: $out"
setup_uninstall "$own"
expect_path "$short" "after the uninstall Wine's PATH is not as it was"

# Wine's own entries first (it needs them), then unexpanded variables, an empty entry, a
# trailing backslash, letters beyond ASCII and filler past 4,000 characters.
long="$(cut -d' ' -f3- <<<"$short");%ProgramFiles%\\Common Tools;;C:\\Outils\\Über ñ\\;C:\\Perl\\bin\\"
for ((i = 0; ${#long} < 4200; i++)); do long+=";C:\\Program Files\\Vendor $i\\bin"; done
set_path "$long"
before=$(path_value)
[ "${before#* }" = "REG_EXPAND_SZ $long" ] || fail "the long PATH did not read back as written: ${before:0:80}..."

expected=$before
for arch in "${arches[@]}"; do
  setup_install "$arch"
  [ -f "$(setup_unix_dir "$arch")/quorvel-gen.exe" ] || fail "$arch: quorvel-gen.exe is not installed"
  expected+=";$(setup_win_dir "$arch")"
  expect_path "$expected" "$arch: the install did not append exactly its folder to the PATH"
done
echo "installed ${arches[*]}: PATH of ${#before} characters kept, each folder appended"

if [ ${#arches[@]} = 2 ]; then
  setup_uninstall x64
  expect_path "$before;$(setup_win_dir x86)" "the x64 uninstall took more than its own folder away"
  setup_uninstall x86
else
  setup_uninstall "$own"
fi
expect_path "$before" "after the uninstall the PATH is not as it was before the install"
echo "PASS e2e_setup_path"
