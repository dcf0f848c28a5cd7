#!/usr/bin/env bash
# The picture of the embedded scenario: its compiled files drawn by
# `scenarioc render`, the SVG shown in headless Chromium and the screenshot
# kept as build/screenshots/belvara_quintosa.png for a person to look at.
# Also checks that doc/belvara_quintosa.svg, shown in the README, is the
# picture the current code draws. Run after the default build (.ci/run).
set -euo pipefail
cd "$(dirname "$0")/.."
echo "== picture of the embedded scenario: scenarioc render, screenshot in Chromium"

if ! command -v chromium >/dev/null; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends chromium >/dev/null
fi
[ -x build/bin/scenarioc ] || { cmake --preset default && cmake --build --preset default --target scenarioc; }

out=build/screenshots
mkdir -p "$out"
work=$(mktemp -d)
profile=$(mktemp -d)  # a new, empty Chromium profile every run
trap 'rm -rf "$work" "$profile"' EXIT

build/bin/scenarioc texts "$work/src" >/dev/null
build/bin/scenarioc compile "$work/src"
start=$(date +%s%N)
build/bin/scenarioc render --out "$out/belvara_quintosa.svg" "$work/src" >/dev/null
echo "rendered in $(( ($(date +%s%N) - start) / 1000000 )) ms, $(stat -c %s "$out/belvara_quintosa.svg") bytes"

if ! cmp -s "$out/belvara_quintosa.svg" doc/belvara_quintosa.svg; then
  echo "doc/belvara_quintosa.svg is not the picture the code draws now; replace it with" >&2
  echo "$out/belvara_quintosa.svg (build/bin/scenarioc render --out doc/belvara_quintosa.svg DIR)" >&2
  exit 1
fi

# The window is the picture's own size, so the screenshot shows all of it.
width=$(sed -n 's/^<svg [^>]* width="\([0-9]*\)".*/\1/p' "$out/belvara_quintosa.svg")
height=$(sed -n 's/^<svg [^>]* height="\([0-9]*\)".*/\1/p' "$out/belvara_quintosa.svg")
png="$PWD/$out/belvara_quintosa.png"
rm -f "$png"
if ! timeout 180 chromium --headless --no-sandbox --disable-gpu --disable-quic --no-first-run \
    --disable-background-networking --disable-component-update --disable-sync \
    --user-data-dir="$profile" --window-size="$width,$height" --screenshot="$png" \
    "file://$PWD/$out/belvara_quintosa.svg" >"$work/chromium.log" 2>&1 || [ ! -s "$png" ]; then
  cat "$work/chromium.log" >&2
  echo "no screenshot taken" >&2
  exit 1
fi
echo "screenshot: $out/belvara_quintosa.png (${width}x${height})"
