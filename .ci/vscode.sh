#!/usr/bin/env bash
# The VS Code stage of CI: builds the extension's two VSIXs (the linux one
# with scenarioc, the Windows one with scenarioc.exe), runs the grammar's
# tests in vscode-textmate, runs the language server's protocol tests under
# Wine against the scenarioc.exe taken out of the Windows VSIX, installs
# code-server from npm, and then, with no network but the loopback
# (unshare -n), has Debian's chromium drive code-server with the linux VSIX
# installed (editors/vscode/ui-test/run.js). Screenshots are kept in
# build/screenshots/. Called by .ci/run after the Windows stage; runs on its
# own as well.
set -euo pipefail
cd "$(dirname "$0")/.."

version=$(sed -n 's/^project(belvara_quintosa VERSION \([0-9.]*\) .*/\1/p' CMakeLists.txt)
linux_vsix=build/packages/scenarioc-$version-linux-x64.vsix
windows_vsix=build/packages/scenarioc-$version-win32-x64.vsix
ui_test=editors/vscode/ui-test

if [ "${1:-}" = --offline ]; then
  # A network namespace of its own: the loopback and nothing else.
  ip link set lo up
  if [ "$(ip -o link show | grep -vc ': lo:')" != 0 ]; then
    echo "the test is not offline: $(ip -o link show)" >&2
    exit 1
  fi
  node "$ui_test/run.js" --vsix "$linux_vsix" --scenarioc build/release/bin/scenarioc --out build/screenshots
  exit
fi

install_missing() {
  local missing=()
  command -v node >/dev/null || missing+=(nodejs)
  command -v npm >/dev/null || missing+=(npm)
  command -v chromium >/dev/null || missing+=(chromium)
  command -v rg >/dev/null || missing+=(ripgrep)
  command -v ip >/dev/null || missing+=(iproute2)
  command -v unshare >/dev/null || missing+=(util-linux)
  command -v unzip >/dev/null || missing+=(unzip)
  command -v ps >/dev/null || missing+=(procps)
  command -v x86_64-w64-mingw32-g++-posix >/dev/null || missing+=(g++-mingw-w64-x86-64)
  command -v wine >/dev/null || missing+=(wine)
  [ -x /usr/lib/wine/wine64 ] || missing+=(wine64)
  [ -f /usr/src/googletest/CMakeLists.txt ] || missing+=(libgtest-dev)
  # What code-server's native modules build against.
  command -v make >/dev/null || missing+=(build-essential)
  command -v pkg-config >/dev/null || missing+=(pkg-config)
  command -v python3 >/dev/null || missing+=(python3)
  [ -f /usr/include/gssapi/gssapi.h ] || missing+=(libkrb5-dev)
  [ -f /usr/include/X11/extensions/XKBfile.h ] || missing+=(libxkbfile-dev)
  [ -f /usr/include/libsecret-1/libsecret/secret.h ] || missing+=(libsecret-1-dev)
  [ ${#missing[@]} -eq 0 ] && return
  echo "installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

# code-server and puppeteer-core as the lock file pins them, installed once
# (again only when the lock file changes). Its postinstall would download
# ripgrep; the package looks for the archive in a cache first, so Debian's
# ripgrep is put there, packed as the download would be.
install_code_server() {
  local lock=$ui_test/package-lock.json stamp=$ui_test/node_modules/.installed-lock.json
  if cmp -s "$lock" "$stamp"; then
    echo "code-server already installed from this lock file"
    return
  fi
  export npm_config_unsafe_perm=true npm_config_yes=true npm_config_nodedir=/usr
  (cd "$ui_test" && npm ci --ignore-scripts --no-audit --no-fund)
  local shrinkwrap=$PWD/$ui_test/node_modules/code-server/lib/vscode/npm-shrinkwrap.json
  local ripgrep_version cache staging
  ripgrep_version=$(node -p 'require(process.argv[1]).packages["node_modules/@vscode/ripgrep"].version' "$shrinkwrap")
  cache=$(node -p 'require("os").tmpdir()')/vscode-ripgrep-cache-$ripgrep_version
  staging=$(mktemp -d)
  cp "$(command -v rg)" "$staging/rg"
  mkdir -p "$cache"
  # The archive name @vscode/ripgrep 1.15 asks for on x86_64 Linux.
  tar czf "$cache/ripgrep-v13.0.0-10-x86_64-unknown-linux-musl.tar.gz" -C "$staging" rg
  rm -rf "$staging"
  (cd "$ui_test" && npm rebuild --no-audit --no-fund)
  "$ui_test/node_modules/.bin/code-server" --version
  cp "$lock" "$stamp"
}

# The language server's protocol tests (and the rest of its tests) under
# Wine, against the scenarioc.exe that the Windows VSIX holds: the test
# program is put beside it, where the tests look for the server.
windows_server_protocol_tests() {
  local work
  work=$(mktemp -d)
  unzip -q "$windows_vsix" 'extension/server/*' -d "$work"
  cp build/windows/bin/unit_tests.exe "$work/extension/server/"
  export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  export WINEPREFIX=$PWD/build/vscode/wine-prefix
  rm -rf "$WINEPREFIX"
  wineboot -i >/dev/null 2>&1 || true
  local status=0
  wine "$work/extension/server/unit_tests.exe" --gtest_filter='Lsp*' --gtest_brief=1 || status=$?
  wineserver -k 2>/dev/null || true
  rm -rf "$work"
  [ "$status" -eq 0 ] || { echo "the Windows VSIX's scenarioc.exe fails the protocol tests" >&2; return 1; }
  echo "the Windows VSIX's scenarioc.exe passes the language server's tests under Wine"
}

started=$SECONDS
install_missing
echo "== the VSIXs"
step_started=$SECONDS
bash editors/vscode/build-vsix.sh
echo "== the VSIXs built: $((SECONDS - step_started)) s"
unzip -p "$linux_vsix" extension/server/scenarioc | cmp - build/release/bin/scenarioc
echo "$(basename "$linux_vsix") holds the release build's scenarioc"

echo "== the grammar in vscode-textmate"
(export SCENARIOC=$PWD/build/release/bin/scenarioc && cd editors/vscode && node --test test/grammar.test.js)

echo "== the Windows VSIX's server under Wine"
step_started=$SECONDS
cmake --build --preset windows --target unit_tests
windows_server_protocol_tests
echo "== under Wine: $((SECONDS - step_started)) s"

echo "== code-server from npm"
step_started=$SECONDS
install_code_server
echo "== code-server installed: $((SECONDS - step_started)) s"

echo "== code-server with the linux VSIX, driven by chromium, offline"
step_started=$SECONDS
unshare -n bash "$0" --offline
echo "== the code-server test: $((SECONDS - step_started)) s"
echo "== VS Code stage: $((SECONDS - started)) s"
