#!/usr/bin/env bash
# tools/package.sh run twice, two seconds apart: both runs give the same bytes, dist/ holds
# exactly the expected files and SHA256SUMS checks them. The .deb passes lintian without
# errors, installs into a scratch root with dpkg, runs and is removed again; each Windows
# zip unpacks to its four files and its quorvel-gen.exe runs under Wine.
# QUORVEL_WINE_ARCHES lists the Windows architectures this host runs (default: win64, and
# win32 where the 32-bit loader starts).
set -euo pipefail
repo=$(cd "$(dirname "$0")/../.." && pwd)
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL (package_test): $*" >&2; exit 1; }
version=$(sed -nE 's/^project\(Quorvel VERSION ([0-9.]+).*/\1/p' "$repo/CMakeLists.txt")
epoch=$(git -C "$repo" log -1 --format=%ct)
if [ -z "${QUORVEL_WINE_ARCHES+set}" ]; then
  QUORVEL_WINE_ARCHES=win64
  /usr/lib/wine/wineserver32 --version >/dev/null 2>&1 && QUORVEL_WINE_ARCHES="win32 win64"
fi

QUORVEL_DIST=$tmp/a bash "$repo/tools/package.sh" >/dev/null || fail "the first package run failed"
sleep 2  # zip times count in two seconds
QUORVEL_DIST=$tmp/b bash "$repo/tools/package.sh" >/dev/null || fail "the second package run failed"
a=$tmp/a

deb=quorvel-gen_${version}_amd64.deb
expected=("$deb" "quorvel-gen-$version-windows-x86.zip" "quorvel-gen-$version-windows-x64.zip"
          "QuorvelSetup-$version-x86.exe" "QuorvelSetup-$version-x64.exe" SHA256SUMS)
[ -f "$repo/build/web/quorvel.html" ] && expected+=(quorvel.html)
diff <(printf '%s\n' "${expected[@]}" | sort) <(ls "$a" | sort) || fail "dist/ does not hold the expected files"
for f in "${expected[@]}"; do
  cmp -s "$a/$f" "$tmp/b/$f" || fail "two runs gave different bytes for $f"
done
[ "$(wc -l <"$a/SHA256SUMS")" = $((${#expected[@]} - 1)) ] || fail "SHA256SUMS does not cover every other file"
(cd "$a" && sha256sum --quiet -c SHA256SUMS) || fail "sha256sum -c SHA256SUMS fails"
echo "package: ${#expected[@]} files, the same bytes twice, checksums pass"

# --- the .deb ---
stamp=$(TZ=UTC date -d "@$epoch" '+%Y-%m-%d %H:%M')
for field in "Package: quorvel-gen" "Version: $version" "Architecture: amd64" "Section: devel"; do
  dpkg-deb -f "$a/$deb" | grep -qx "$field" || fail "the .deb's control has no '$field'"
done
dpkg-deb -f "$a/$deb" Depends | grep -q 'libc6 (>= ' || fail "Depends does not come from the binary: $(dpkg-deb -f "$a/$deb" Depends)"
TZ=UTC dpkg-deb -c "$a/$deb" | awk -v s="$stamp" '$2 != "root/root" || $4 " " $5 != s { bad = 1; print } END { exit bad }' ||
  fail "entries not owned by root or not dated at the last commit ($stamp)"
lintian --fail-on error "$a/$deb" >"$tmp/lintian.txt" 2>&1 || { cat "$tmp/lintian.txt" >&2; fail "lintian reports errors"; }

root=$tmp/root
mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates"
touch "$root/var/lib/dpkg/status"
# The scratch root's dpkg knows none of the libraries; the host's serve the binary.
as=()
[ "$(id -u)" = 0 ] || as=(--force-not-root)
dpkg --root="$root" "${as[@]}" --force-depends --log=/dev/null -i "$a/$deb" >"$tmp/dpkg.txt" 2>&1 || fail "dpkg -i into a scratch root failed"
"$root/usr/bin/quorvel-gen" --version | grep -qF "$version" || fail "the installed quorvel-gen does not print $version"
zcat "$root/usr/share/man/man1/quorvel-gen.1.gz" | grep -q '^\.TH QUORVEL-GEN 1' || fail "the installed man page is not quorvel-gen(1)"
gzip -t "$root/usr/share/doc/quorvel-gen/changelog.gz" || fail "the changelog is not gzip"
grep -q '^License: Expat' "$root/usr/share/doc/quorvel-gen/copyright" || fail "the copyright file names no licence"
dpkg --root="$root" "${as[@]}" --log=/dev/null -r quorvel-gen >/dev/null || fail "dpkg -r failed"
[ ! -e "$root/usr/bin/quorvel-gen" ] || fail "dpkg -r left /usr/bin/quorvel-gen"
echo "package: the .deb installs, runs and goes away; lintian reports no errors"

# --- the zips ---
for arch in x86 x64; do
  name=quorvel-gen-$version-windows-$arch
  python3 -c 'import sys, zipfile; zipfile.ZipFile(sys.argv[1]).extractall(sys.argv[2])' "$a/$name.zip" "$tmp/$arch"
  diff <(printf '%s\n' LICENSE.txt README.md quorvel-gen.exe quorvel-gen.txt) <(ls "$tmp/$arch/$name") ||
    fail "$name.zip does not hold exactly its four files"
  wine_arch=win64
  [ $arch = x86 ] && wine_arch=win32
  case " $QUORVEL_WINE_ARCHES " in
    *" $wine_arch "*) ;;
    *) echo "package: NOT RUN: $name's quorvel-gen.exe, this host runs no $wine_arch programs"; continue ;;
  esac
  out=$(
    export QUORVEL_WINE_ARCH=$wine_arch
    unset QUORVEL_WINEPREFIX
    source "$repo/tools/wine-env.sh"
    quorvel_ensure_prefix >/dev/null 2>&1
    timeout 120 wine "$tmp/$arch/$name/quorvel-gen.exe" --version 2>/dev/null | tr -d '\r'
  ) || true
  grep -qF "$version" <<<"$out" || fail "$name's quorvel-gen.exe --version under Wine printed '$out'"
  echo "package: $name's quorvel-gen.exe runs under Wine: $out"
done
echo "PASS package_test"
