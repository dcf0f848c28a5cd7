#!/usr/bin/env bash
# Builds the VS Code extension's two VSIXs into build/packages/, each with
# the server for its system inside:
#   scenarioc-VERSION-linux-x64.vsix   scenarioc from the release build
#   scenarioc-VERSION-win32-x64.vsix   scenarioc.exe from the Windows cross build
# Builds both programs first (the `release` and `windows` presets), installs
# the extension's npm modules from package-lock.json when they are missing
# or out of date (the only step that needs the npm registry), bundles the
# extension and its runtime modules into one script with esbuild, then
# packs with @vscode/vsce, which needs no network: the VSIX holds that one
# script, no node_modules.
#
#   bash editors/vscode/build-vsix.sh
set -euo pipefail
cd "$(dirname "$0")/../.."
repo=$PWD
extension=$repo/editors/vscode

version=$(sed -n 's/^project(belvara_quintosa VERSION \([0-9.]*\) .*/\1/p' CMakeLists.txt)
extension_version=$(node -p 'require(process.argv[1]).version' "$extension/package.json")
if [ "$extension_version" != "$version" ]; then
  echo "editors/vscode/package.json says version $extension_version, the programs $version" >&2
  exit 1
fi

# The extension's modules, exactly as the lock file has them; installed anew
# only when the lock file changed since the last install.
npm_modules() {
  if ! cmp -s "$extension/package-lock.json" "$extension/node_modules/.installed-lock.json"; then
    (cd "$extension" && npm ci --no-audit --no-fund)
    cp "$extension/package-lock.json" "$extension/node_modules/.installed-lock.json"
  fi
}

# $1: vsce target, $2: the server program to put inside.
pack() {
  local target=$1 server=$2 stage=$repo/build/vscode/$1
  local vsix=$repo/build/packages/scenarioc-$version-$target.vsix
  rm -rf "$stage"
  mkdir -p "$stage/server" "$repo/build/packages"
  cp -r "$extension"/{package.json,README.md,.vscodeignore} \
    "$extension"/{language-configuration.json,syntaxes} "$stage/"
  # The one script, at the path package.json's "main" names: the extension,
  # the preview and the language client, all but VS Code's own module.
  "$extension/node_modules/.bin/esbuild" "$extension/extension.js" --bundle --platform=node \
    --format=cjs --target=node18 --external:vscode --minify --keep-names --log-level=warning --outfile="$stage/extension.js"
  cp "$server" "$stage/server/"
  chmod 755 "$stage/server/$(basename "$server")"
  # Written under temporary names; each file replaces the old one whole.
  # vsce lists every file it packs: kept beside the staging folder. Its
  # modules are in the bundle: --no-dependencies keeps node_modules out.
  (cd "$stage" && "$extension/node_modules/.bin/vsce" package --target "$target" --no-dependencies \
    --skip-license --allow-missing-repository --out "$vsix.tmp" >"$stage.vsce.log")
  # The bundle only: no module packed beside it.
  if unzip -l "$vsix.tmp" | grep -E 'extension/(node_modules/|preview\.js)'; then
    echo "$vsix: modules packed beside the bundle" >&2
    exit 1
  fi
  # A checksum beside it, as CPack writes for the other packages.
  (cd "$(dirname "$vsix")" && sha256sum "$(basename "$vsix").tmp" | sed 's/\.tmp$//' >"$vsix.sha256.tmp")
  mv -f "$vsix.tmp" "$vsix"
  mv -f "$vsix.sha256.tmp" "$vsix.sha256"
}

cmake --preset release >/dev/null
cmake --build --preset release --target scenarioc
cmake --preset windows >/dev/null
cmake --build --preset windows --target scenarioc
npm_modules
pack linux-x64 build/release/bin/scenarioc
pack win32-x64 build/windows/bin/scenarioc.exe
ls -l build/packages/scenarioc-"$version"-*.vsix
