#!/usr/bin/env bash
# The editor stage of CI: real editors drive `scenarioc lsp`, each set up
# with nothing but the file doc/editors.md tells a user to install, in a
# home of its own. Debian's Neovim (0.7) runs .ci/editor.lua and Debian's
# Emacs with eglot runs .ci/editor.el, both in batch mode, on a train
# description with a mistake: the diagnostic read back, a hover, the
# signature help of a value, the fix, and a quick fix applied. Checks first
# that the snippets doc/editors.md shows are the files in doc/editors/. Uses
# build/bin/scenarioc (or $SCENARIOC). Called by .ci/run after the default
# build; runs on its own as well.
set -euo pipefail
cd "$(dirname "$0")/.."
source=$PWD

missing=()
command -v nvim >/dev/null || missing+=(neovim)
command -v emacs >/dev/null || missing+=(emacs-nox)
[ -d /usr/share/emacs/site-lisp/elpa/eglot-1.9 ] || ls -d /usr/share/emacs/site-lisp/elpa/eglot-* >/dev/null 2>&1 ||
  missing+=(elpa-eglot)
if [ ${#missing[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
scenarioc="${SCENARIOC:-$PWD/build/bin/scenarioc}"
[ -x "$scenarioc" ] || { echo "editor test: $scenarioc is not built" >&2; exit 1; }

bash .ci/editor_snippets.sh

work="$(mktemp -d "${TMPDIR:-/tmp}/scenario_editor.XXXXXX")"
trap 'rm -rf "$work"' EXIT
# As a user has it: `scenarioc` on the PATH.
mkdir "$work/bin"
ln -s "$scenarioc" "$work/bin/scenarioc"
export PATH="$work/bin:$PATH"

# A fresh scenario whose train text has a mistake: the second signal moved
# onto the first one's cell (error 16 on its row).
fresh_scenario() {
  rm -rf "$work/scenario"
  "$scenarioc" texts "$work/scenario" >/dev/null
  train="$work/scenario/Belvara_Quintosa_254-.txt"
  sed -i 's/^segnale,    4200,/segnale,    1650,/' "$train"
  mistake_line="$(grep -n '^segnale,    1650,' "$train" | sed -n 2p | cut -d: -f1)"
  [ -n "$mistake_line" ] || { echo "editor test: the mistake was not made" >&2; exit 1; }
}

# A home of its own: no user configuration but the set-up, no state left behind.
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_DATA_HOME="$work/home/.local/share" \
  XDG_STATE_HOME="$work/home/.local/state"
mkdir -p "$HOME"

echo "-- Neovim $(nvim --version | head -1 | cut -d' ' -f2), set up with doc/editors/scenario.lua in its plugin folder"
mkdir -p "$XDG_CONFIG_HOME/nvim/plugin"
cp doc/editors/scenario.lua "$XDG_CONFIG_HOME/nvim/plugin/"
fresh_scenario
TRAIN_TEXT="$train" MISTAKE_LINE="$mistake_line" \
  timeout 120 nvim --headless -n -c "luafile $source/.ci/editor.lua" 2>&1

echo "-- $(emacs --version | head -1) with eglot, set up with doc/editors/scenario.el loaded from the init file"
mkdir -p "$HOME/.emacs.d"
cp doc/editors/scenario.el "$HOME/.emacs.d/"
echo '(load (expand-file-name "scenario.el" user-emacs-directory))' >"$HOME/.emacs.d/init.el"
fresh_scenario
# Batch mode reads no init file and starts no packages: both as Emacs does
# at start-up.
TRAIN_TEXT="$train" MISTAKE_LINE="$mistake_line" \
  timeout 120 emacs --batch --eval '(package-initialize)' -l "$HOME/.emacs.d/init.el" -l "$source/.ci/editor.el" 2>&1
echo "editor test: Neovim and Emacs read the diagnostic, the hover and the signature help, and applied the quick fix"
