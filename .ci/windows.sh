#!/usr/bin/env bash
# The Windows stage of CI: cross-builds the programs with MinGW-w64 and packs
# the ZIP for Windows users (checking that the programs need no DLL of the
# compiler), then, on a virtual display, runs the Windows unit tests under
# Wine (scenarioc's among them, in-process), runs the one-shot program (in an
# empty folder, at the root of a drive, and unzipped from the ZIP with
# everything else the ZIP holds) and compares its six files byte for byte
# with those of the Linux build, runs scenarioc.exe texts and compile on the
# embedded texts and compares their files with those of scenarioc on Linux,
# and takes a screenshot of the waiting window (kept as
# build/windows/screenshots/waiting_window.png).
# Called by .ci/run; runs on its own as well.
set -euo pipefail
cd "$(dirname "$0")/.."

products=(
  Belvara_Quintosa_254.dat Belvara_Quintosa_254.sim Belvara_Quintosa_254_note.txt
  Belvara_Quintosa_254_rallentamenti.txt Belvara_Quintosa_254_scheda_treno.txt
  Belvara_Quintosa_linea.dat
)
version=$(sed -n 's/^project(belvara_quintosa VERSION \([0-9.]*\) .*/\1/p' CMakeLists.txt)
zip=build/packages/belvara_quintosa-$version-win64.zip

export WINEDEBUG=-all
# No prompts to install Mono and Gecko: nothing here needs them.
export WINEDLLOVERRIDES="mscoree,mshtml="

install_missing() {
  local missing=()
  command -v x86_64-w64-mingw32-g++-posix >/dev/null || missing+=(g++-mingw-w64-x86-64)
  command -v wine >/dev/null || missing+=(wine)
  [ -x /usr/lib/wine/wine64 ] || missing+=(wine64)
  command -v xvfb-run >/dev/null || missing+=(xvfb)
  command -v xauth >/dev/null || missing+=(xauth)
  command -v xwd >/dev/null || missing+=(x11-apps)
  command -v python3 >/dev/null || missing+=(python3)
  command -v unzip >/dev/null || missing+=(unzip)
  [ -f /usr/src/googletest/CMakeLists.txt ] || missing+=(libgtest-dev)
  # Wine's own fonts (the title-bar buttons) and a sans serif as wide as
  # Windows' own, so that the screenshot shows what users see.
  [ -f /usr/share/wine/fonts/marlett.ttf ] || missing+=(fonts-wine)
  [ -f /usr/share/fonts/truetype/liberation/LiberationSans-Bold.ttf ] || missing+=(fonts-liberation)
  [ ${#missing[@]} -eq 0 ] && return
  echo "installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

# Lists a folder's files other than the program, one per line.
outputs_of() { (cd "$1" && LC_ALL=C ls -1 | grep -v '^belvara_quintosa\(\.exe\)\?$' || true); }

same_outputs() {  # reference folder, other folder, what the other one is
  if [ "$(outputs_of "$2")" != "$(printf '%s\n' "${products[@]}")" ]; then
    echo "$3: wrong set of files:" >&2
    outputs_of "$2" >&2
    return 1
  fi
  local f
  for f in "${products[@]}"; do cmp "$1/$f" "$2/$f" || return 1; done
  echo "$3: the six files are byte for byte the Linux ones"
}

end_to_end() {
  local work linux windows root drive
  work=$(mktemp -d)
  linux=$work/linux windows=$work/windows root=$work/root
  mkdir "$linux" "$windows" "$root"
  cp build/bin/belvara_quintosa "$linux/"
  cp build/windows/bin/belvara_quintosa.exe "$windows/"
  cp build/windows/bin/belvara_quintosa.exe "$root/"

  (cd "$linux" && ./belvara_quintosa 2>/dev/null)
  wine "$windows/belvara_quintosa.exe"
  same_outputs "$linux" "$windows" "Windows, in a folder of its own"

  # At the root of a drive the program's folder name ends in a backslash.
  for drive in r s t u v w x y; do
    [ -e "$WINEPREFIX/dosdevices/$drive:" ] || break
  done
  ln -s "$root" "$WINEPREFIX/dosdevices/$drive:"
  local status=0
  wine "${drive^^}:\\belvara_quintosa.exe" || status=$?
  rm "$WINEPREFIX/dosdevices/$drive:"
  [ "$status" -eq 0 ] || { echo "at the root of drive ${drive^^}: exit status $status" >&2; return 1; }
  same_outputs "$linux" "$root" "Windows, at the root of drive ${drive^^}"
  rm -rf "$work"
}

# scenarioc.exe writes the embedded texts and compiles them, as an author on
# Windows would: the same five texts and three compiled files as Linux's.
scenarioc_end_to_end() {
  local work linux windows f
  work=$(mktemp -d)
  linux=$work/linux windows=$work/windows
  build/bin/scenarioc texts "$linux" >/dev/null
  build/bin/scenarioc compile "$linux"
  wine build/windows/bin/scenarioc.exe texts "$(winepath -w "$windows")" >/dev/null
  wine build/windows/bin/scenarioc.exe compile "$(winepath -w "$windows")"
  if [ "$(cd "$windows" && LC_ALL=C ls -1)" != "$(cd "$linux" && LC_ALL=C ls -1)" ]; then
    echo "scenarioc.exe: wrong set of files:" >&2
    (cd "$windows" && LC_ALL=C ls -1) >&2
    return 1
  fi
  for f in "$linux"/*; do cmp "$f" "$windows/${f##*/}" || return 1; done
  echo "scenarioc.exe texts and compile: the $(ls "$linux" | wc -l) files are byte for byte the Linux ones"
  rm -rf "$work"
}

# The programs link the C and C++ runtimes in: they import system DLLs only,
# none of MinGW's (libstdc++-6.dll, libgcc_s_seh-1.dll, libwinpthread-1.dll).
linked_statically() {
  local exe dlls
  for exe in build/windows/bin/belvara_quintosa.exe build/windows/bin/scenarioc.exe; do
    dlls=$(x86_64-w64-mingw32-objdump -p "$exe" | sed -n 's/^[[:space:]]*DLL Name: //p')
    if grep -qi '^lib' <<<"$dlls"; then
      echo "$exe needs DLLs that Windows does not have:" $dlls >&2
      return 1
    fi
    echo "$(basename "$exe") imports only" $dlls
  done
}

# The ZIP as a user gets it: unzipped into an empty folder, the one-shot
# program double-clicked there among the other files of the ZIP.
from_zip() {
  local work empty folder
  work=$(mktemp -d)
  empty=$work/empty
  folder=$empty/belvara_quintosa-$version-win64
  mkdir "$empty"
  unzip -q "$zip" -d "$empty"
  files_in() { (cd "$empty" && find . -type f | sed 's|^\./||' | LC_ALL=C sort); }
  files_in >"$work/unzipped"
  {
    printf "belvara_quintosa-$version-win64/%s\n" belvara_quintosa.exe scenarioc.exe \
      LEGGIMI.txt README.md CHANGELOG.md doc/belvara_quintosa.svg
    for page in doc/*.md doc/editors/*; do echo "belvara_quintosa-$version-win64/$page"; done
  } | LC_ALL=C sort >"$work/expected"
  diff -u "$work/expected" "$work/unzipped" || { echo "the ZIP does not hold what it should" >&2; return 1; }

  [ "$(wine "$folder/scenarioc.exe" --version | tr -d '\r')" = "scenarioc $version" ]
  [ "$(wine "$folder/belvara_quintosa.exe" --version | tr -d '\r')" = "belvara_quintosa $version" ]
  echo "both programs from the ZIP say version $version"
  # And in the file's Properties: the version resource's strings are UTF-16.
  python3 - "$version" "$folder"/*.exe <<'PY'
import sys
version, exes = sys.argv[1], sys.argv[2:]
for exe in exes:
    data = open(exe, 'rb').read()
    for key in ('FileVersion', 'ProductVersion'):
        at = data.find((key + '\0').encode('utf-16-le'))
        if at < 0 or data.find((version + '\0').encode('utf-16-le'), at, at + 64) < 0:
            sys.exit('%s: no %s %s in its version resource' % (exe, key, version))
print('both programs carry version %s in their version resource' % version)
PY

  mkdir "$work/linux"
  cp build/bin/belvara_quintosa "$work/linux/"
  (cd "$work/linux" && ./belvara_quintosa 2>/dev/null)
  (cd "$folder" && wine belvara_quintosa.exe)
  local new f
  new=$(files_in | comm -13 "$work/unzipped" - | sed "s|^belvara_quintosa-$version-win64/||")
  if [ "$new" != "$(printf '%s\n' "${products[@]}")" ]; then
    echo "from the ZIP: wrong set of new files:" >&2
    echo "$new" >&2
    return 1
  fi
  for f in "${products[@]}"; do cmp "$work/linux/$f" "$folder/$f" || return 1; done
  echo "Windows, unzipped from $(basename "$zip"): the six files are byte for byte the Linux ones"
  rm -rf "$work"
}

screenshot() {
  local dir=build/windows/screenshots
  mkdir -p "$dir"
  rm -f "$dir"/*
  : >"$dir/shot.log"
  wine build/windows/bin/waiting_window_shot.exe 5000 2>"$dir/shot.log" &
  local pid=$! waited=0
  until grep -q "window shown" "$dir/shot.log"; do
    if ! kill -0 "$pid" 2>/dev/null || [ $waited -ge 300 ]; then
      echo "the waiting window did not come up:" >&2
      cat "$dir/shot.log" >&2
      return 1
    fi
    sleep 0.1
    waited=$((waited + 1))
  done
  sleep 0.5  # for the X server to show what Wine drew
  xwd -root -silent >"$dir/waiting_window.xwd"
  wait "$pid"
  python3 tests/windows/check_waiting_window.py "$dir/waiting_window.xwd" "$dir/waiting_window.png"
  rm "$dir/waiting_window.xwd"
}

on_display() {
  # Without 32-bit Wine it warns about syswow64; only a failure matters.
  wineboot -i >build/windows/wineboot.log 2>&1 || { cat build/windows/wineboot.log >&2; return 1; }
  # Wine draws the window frame itself, so the screenshot shows the title
  # bar too (there is no window manager on the virtual display).
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /d N /f >/dev/null
  # The glyphs of the title-bar buttons; Debian's Wine does not find its own.
  cp /usr/share/wine/fonts/marlett.ttf "$WINEPREFIX/drive_c/windows/Fonts/"

  echo "== Windows unit tests under Wine"
  ctest --preset windows

  echo "== the one-shot program on Windows and on Linux"
  end_to_end

  echo "== scenarioc on Windows and on Linux"
  scenarioc_end_to_end

  echo "== the ZIP for Windows users, unzipped into an empty folder"
  from_zip

  echo "== the waiting window on the screen"
  screenshot
}

if [ "${1:-}" = --on-display ]; then
  # Ends this prefix's Wine session, whatever happened, before the display goes.
  trap 'wineserver -k 2>/dev/null || true' EXIT
  on_display
  exit
fi

started=$SECONDS
install_missing
echo "== Windows cross build"
cmake --preset windows
cmake --build --preset windows
linked_statically
echo "== the ZIP for Windows users"
cpack --preset windows
unzip -l "$zip"
# The Linux programs, for the comparison; already built when .ci/run ran first.
cmake --preset default >/dev/null
cmake --build --preset default --target belvara_quintosa scenarioc

# A prefix of our own, made anew, so that nothing of an earlier run is used.
export WINEPREFIX=$PWD/build/windows/wine-prefix
rm -rf "$WINEPREFIX"
# Everything that talks to Wine runs on one display: a Wine session started
# without one cannot show windows later.
xvfb-run -a -s "-screen 0 1024x768x24" bash "$0" --on-display
echo "== Windows stage: $((SECONDS - started)) s"
