#!/usr/bin/env bash
# Fills dist/ with what people install: the Debian package of quorvel-gen, the portable
# Windows zips of quorvel-gen (x86 and x64), both setups, the web page when one was built,
# and SHA256SUMS over all of them. Builds what is missing first (build/native, build/win32,
# build/win64, configured as tools/test.sh does when they are not yet).
#
# Two runs from one commit give the same bytes for the .deb and the zips: every time stamp
# is the last commit's (SOURCE_DATE_EPOCH), entries are sorted, owners and modes fixed.
# QUORVEL_DIST=<folder> writes elsewhere than dist/ (the folder is emptied first).
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
cd "$repo"
dist=${QUORVEL_DIST:-$repo/dist}
jobs=$(nproc)
umask 022
export LC_ALL=C TZ=UTC

version=$(sed -nE 's/^project\(Quorvel VERSION ([0-9]+\.[0-9]+\.[0-9]+).*/\1/p' CMakeLists.txt)
[ -n "$version" ] || { echo "package.sh: no project version in CMakeLists.txt" >&2; exit 1; }
SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct)}
export SOURCE_DATE_EPOCH

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# build folder [cmake options...]: configures the folder when it is new, then builds
# quorvel-gen (and the setup in a Windows build); the compiler's words only on failure.
build() {
  local dir=$1 targets=(quorvel-gen installer)
  shift
  [ "$dir" = build/native ] && targets=(quorvel-gen)
  { [ -f "$dir/CMakeCache.txt" ] || cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=Release "$@"; } >"$work/build.log" 2>&1 &&
    cmake --build "$dir" --target "${targets[@]}" -j"$jobs" >>"$work/build.log" 2>&1 ||
    { cat "$work/build.log" >&2; echo "package.sh: building $dir failed" >&2; exit 1; }
}
echo "package.sh: building quorvel-gen and the setups ($version)"
build build/native
build build/win32 --no-warn-unused-cli -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake
build build/win64 --no-warn-unused-cli -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake \
  -DQUORVEL_X86_SETUP="$repo/build/win32/QuorvelSetup-x86.exe"

rm -rf "$dist"
mkdir -p "$dist"

# --- the Debian package ---------------------------------------------------------------
# Staged where dpkg-shlibdeps looks for a package's files: debian/<package>/ of a source tree.
deb_root=$work/src/debian/quorvel-gen
doc=$deb_root/usr/share/doc/quorvel-gen
install -D -m 0755 build/native/bin/quorvel-gen "$deb_root/usr/bin/quorvel-gen"
strip --strip-unneeded --remove-section=.comment --remove-section=.note "$deb_root/usr/bin/quorvel-gen"
install -d -m 0755 "$deb_root/usr/share/man/man1" "$doc"
gzip -9nc docs/quorvel-gen.1 >"$deb_root/usr/share/man/man1/quorvel-gen.1.gz"
maintainer="Quorvel Software <packages@quorvel.invalid>"
{
  echo "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/"
  echo "Upstream-Name: Quorvel"
  echo
  echo "Files: *"
  echo "Copyright: $(tr -d '\r' <LICENSE.txt | sed -nE 's/^Copyright \(c\) //p' | head -1)"
  echo "License: Expat"
  # The licence text below its title and copyright line, as a field's continuation lines.
  tr -d '\r' <LICENSE.txt | sed -n '/^Permission/,$p' | sed -e 's/^$/./' -e 's/^/ /'
} >"$doc/copyright"
{
  echo "quorvel-gen ($version) unstable; urgency=medium"
  echo
  echo "  * Quorvel $version."
  echo
  echo " -- $maintainer  $(date -R -d "@$SOURCE_DATE_EPOCH")"
} | gzip -9n >"$doc/changelog.gz"
chmod 0644 "$deb_root/usr/share/man/man1/quorvel-gen.1.gz" "$doc"/*

printf 'Source: quorvel-gen\n\nPackage: quorvel-gen\nArchitecture: amd64\n' >"$work/src/debian/control"
install -d -m 0755 "$deb_root/DEBIAN"
depends=$(cd "$work/src" && dpkg-shlibdeps -O debian/quorvel-gen/usr/bin/quorvel-gen | sed -n 's/^shlibs:Depends=//p')
[ -n "$depends" ] || { echo "package.sh: dpkg-shlibdeps found no dependencies" >&2; exit 1; }

(cd "$deb_root" && find usr -type f | sort | xargs md5sum) >"$deb_root/DEBIAN/md5sums"
{
  echo "Package: quorvel-gen"
  echo "Version: $version"
  echo "Architecture: amd64"
  echo "Maintainer: $maintainer"
  echo "Installed-Size: $(du -sk --apparent-size "$deb_root/usr" | cut -f1)"
  echo "Depends: $depends"
  echo "Section: devel"
  echo "Priority: optional"
  echo "Description: write the Visual Basic module that re-creates a file"
  echo " quorvel-gen converts any file into the source text of a Visual Basic 6 or"
  echo " VBA standard module. Added to a project, the module writes the file back to"
  echo " disk byte for byte when its Create_ procedure is called, so a program or an"
  echo " Office document can carry pictures, sounds or other data files in its code."
  echo " ."
  echo " The module is Windows-1252 text with CRLF line ends; a compact layout makes"
  echo " it denser, and --verify reads a written module back to check it. This is the"
  echo " command-line form of the Quorvel window, for scripts and builds."
} >"$deb_root/DEBIAN/control"
chmod 0644 "$deb_root/DEBIAN/control" "$deb_root/DEBIAN/md5sums"
deb=quorvel-gen_${version}_amd64.deb
# dpkg-deb dates every entry no later than SOURCE_DATE_EPOCH and sorts them.
dpkg-deb --root-owner-group -Zxz --build "$deb_root" "$dist/$deb" >/dev/null

# --- the portable Windows zips ----------------------------------------------------------
# zip_folder parent name zip: the folder parent/name as name/... entries in sorted order, each
# with the commit's time and a fixed mode, and no extra fields.
zip_folder() {
  python3 - "$SOURCE_DATE_EPOCH" "$@" <<'EOF'
import os, sys, time, zipfile
epoch, parent, name, out = int(sys.argv[1]), sys.argv[2], sys.argv[3], sys.argv[4]
stamp = time.gmtime(max(epoch, 315532800))[:6]  # zip times start in 1980
with zipfile.ZipFile(out, "w", zipfile.ZIP_DEFLATED, compresslevel=9) as z:
    for f in sorted(os.listdir(os.path.join(parent, name))):
        info = zipfile.ZipInfo(f"{name}/{f}", stamp)
        info.compress_type = zipfile.ZIP_DEFLATED
        info.create_system = 3
        info.external_attr = (0o100755 if f.endswith(".exe") else 0o100644) << 16
        with open(os.path.join(parent, name, f), "rb") as src:
            z.writestr(info, src.read(), compresslevel=9)
EOF
}
# The manual as plain text with CRLF line ends, readable in any Windows editor.
MANWIDTH=80 man --nh --nj -l docs/quorvel-gen.1 | col -bx | sed 's/$/\r/' >"$work/quorvel-gen.txt"
grep -q '^NAME' "$work/quorvel-gen.txt" || { echo "package.sh: man did not render docs/quorvel-gen.1" >&2; exit 1; }
for arch in x86 x64; do
  if [ $arch = x86 ]; then build_dir=build/win32 triple=i686-w64-mingw32; else build_dir=build/win64 triple=x86_64-w64-mingw32; fi
  name=quorvel-gen-$version-windows-$arch
  stage=$work/$name
  install -D -m 0755 "$build_dir/bin/quorvel-gen.exe" "$stage/quorvel-gen.exe"
  "$triple-strip" --strip-unneeded "$stage/quorvel-gen.exe"
  install -m 0644 "$work/quorvel-gen.txt" "$stage/quorvel-gen.txt"
  install -m 0644 README.md "$stage/README.md"
  install -m 0644 LICENSE.txt "$stage/LICENSE.txt"
  zip_folder "$work" "$name" "$dist/$name.zip"

  cp "$build_dir/QuorvelSetup-$arch.exe" "$dist/QuorvelSetup-$version-$arch.exe"
done

# --- the web page, when the build made one -----------------------------------------------
[ -f build/web/quorvel.html ] && cp build/web/quorvel.html "$dist/quorvel.html"

(cd "$dist" && find . -maxdepth 1 -type f ! -name SHA256SUMS -printf '%f\n' | sort | xargs sha256sum >SHA256SUMS)
echo "package.sh: $dist"
(cd "$dist" && ls -l)
