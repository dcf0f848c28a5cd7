#!/usr/bin/env bash
# The Linux release stage of CI, after `cmake --workflow --preset release`
# (built with -O3, tested, packaged into build/packages/): checks what
# `cmake --install` installs, lists the .tar.gz and the .deb and checks they
# hold the same files, unpacks the .deb into a scratch root (dpkg -x, no
# container) and runs the programs from there, and reads the man page for
# roff warnings. Called by .ci/run; runs on its own as well.
set -euo pipefail
cd "$(dirname "$0")/.."

version=$(sed -n 's/^project(belvara_quintosa VERSION \([0-9.]*\) .*/\1/p' CMakeLists.txt)
docs=share/doc/belvara-quintosa
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Every file an install holds, relative to its prefix.
{
  printf '%s\n' bin/belvara_quintosa bin/scenarioc share/bash-completion/completions/scenarioc \
    share/man/man1/scenarioc.1 "$docs/README.md" "$docs/CHANGELOG.md" "$docs/doc/belvara_quintosa.svg"
  for page in doc/*.md doc/editors/*; do echo "$docs/$page"; done
} | LC_ALL=C sort >"$work/expected"

files_under() { (cd "$1" && find . -type f | sed 's|^\./||' | LC_ALL=C sort); }
same_files() {  # what, list
  if ! diff -u "$work/expected" "$2" >"$work/diff"; then
    echo "$1 does not hold what an install should:" >&2
    cat "$work/diff" >&2
    return 1
  fi
  echo "$1: the $(wc -l <"$2") files of an install"
}

echo "== cmake --install"
cmake --install build/release --prefix "$work/prefix" >/dev/null
files_under "$work/prefix" >"$work/installed"
same_files "cmake --install build/release --prefix P" "$work/installed"

tgz=build/packages/belvara_quintosa-$version-Linux.tar.gz
deb=build/packages/belvara-quintosa_${version}_amd64.deb
echo "== $tgz"
tar -tvzf "$tgz"
tar -tzf "$tgz" | grep -v '/$' | sed "s|^belvara_quintosa-$version-Linux/||" | LC_ALL=C sort >"$work/tgz"
same_files "$tgz" "$work/tgz"

echo "== $deb"
dpkg-deb --info "$deb"
dpkg-deb --contents "$deb"
[ "$(dpkg-deb --field "$deb" Version)" = "$version" ]
# The release programs are linked statically: the package needs nothing.
[ -z "$(dpkg-deb --field "$deb" Depends)" ]
mkdir "$work/root"
dpkg -x "$deb" "$work/root"
files_under "$work/root/usr" >"$work/deb"
same_files "$deb" "$work/deb"
[ -z "$(find "$work/root" -mindepth 1 -maxdepth 1 ! -name usr)" ] || { echo "$deb installs outside /usr" >&2; exit 1; }

echo "== the programs unpacked from the .deb"
bin=$work/root/usr/bin
for program in scenarioc belvara_quintosa; do
  if ldd "$bin/$program" >/dev/null 2>&1; then echo "$program is not linked statically" >&2; exit 1; fi
done
[ "$("$bin/scenarioc" --version)" = "scenarioc $version" ]
[ "$("$bin/belvara_quintosa" --version)" = "belvara_quintosa $version" ]
"$bin/scenarioc" --version
"$bin/scenarioc" texts "$work/scenario" >/dev/null
"$bin/scenarioc" compile "$work/scenario"
# The one-shot program writes beside itself: a copy in a folder of its own.
mkdir "$work/one-shot"
cp "$bin/belvara_quintosa" "$work/one-shot/"
(cd "$work/one-shot" && ./belvara_quintosa 2>/dev/null)
for f in Belvara_Quintosa_linea.dat Belvara_Quintosa_254.sim Belvara_Quintosa_254.dat; do
  cmp "$work/scenario/$f" "$work/one-shot/$f"
done
echo "scenarioc compile and belvara_quintosa, as packaged, give the same compiled files"

echo "== the man page"
warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "$work/root/usr/share/man/man1/scenarioc.1" 2>&1 >"$work/man.txt")
[ -z "$warnings" ] || { echo "$warnings" >&2; exit 1; }
head -n 3 "$work/man.txt"
