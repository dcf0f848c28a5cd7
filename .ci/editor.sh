#!/usr/bin/env bash
# The editor stage of CI: a real editor drives `scenarioc lsp`. Headless
# Neovim (Debian's neovim) opens a train description with a mistake through
# its built-in LSP client; .ci/editor.lua reads the diagnostic back from
# vim.diagnostic.get(), asks for a hover, fixes the row in the buffer and
# sees the diagnostic go. Uses build/bin/scenarioc (or $SCENARIOC). Called by
# .ci/run after the default build; runs on its own as well.
set -euo pipefail
cd "$(dirname "$0")/.."

if ! command -v nvim >/dev/null; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends neovim >/dev/null
fi
scenarioc="${SCENARIOC:-$PWD/build/bin/scenarioc}"
[ -x "$scenarioc" ] || { echo "editor test: $scenarioc is not built" >&2; exit 1; }

work="$(mktemp -d "${TMPDIR:-/tmp}/scenario_editor.XXXXXX")"
trap 'rm -rf "$work"' EXIT
"$scenarioc" texts "$work/scenario" >/dev/null
train="$work/scenario/Belvara_Quintosa_254-.txt"
# The second signal moved onto the first one's cell: error 16 on its row.
sed -i 's/^segnale,    4200,/segnale,    1650,/' "$train"
mistake_line="$(grep -n '^segnale,    1650,' "$train" | sed -n 2p | cut -d: -f1)"
[ -n "$mistake_line" ] || { echo "editor test: the mistake was not made" >&2; exit 1; }

# A home of its own: no user configuration, no state left behind.
export HOME="$work" XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data" XDG_STATE_HOME="$work/state"
SCENARIOC="$scenarioc" TRAIN_TEXT="$train" MISTAKE_LINE="$mistake_line" \
  timeout 120 nvim --headless --clean -n -c "luafile .ci/editor.lua" 2>&1
echo "editor test: Neovim $(nvim --version | head -1 | cut -d' ' -f2) read the diagnostic and the hover"
