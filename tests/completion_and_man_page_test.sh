#!/usr/bin/env bash
# The bash completion and the man page keep up with scenarioc: every command
# that `scenarioc --help` lists, and every option that a command's --help
# names, is offered by the completion and described in the man page, whose
# version is the program's. Also: operands complete to folders or files as
# the command takes them.
# Usage: completion_and_man_page_test.sh SCENARIOC SOURCE_DIR
set -u
scenarioc=$1 source_dir=$2
completion=$source_dir/packaging/scenarioc.bash
man_page=$source_dir/doc/scenarioc.1
failures=0
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# shellcheck source=../packaging/scenarioc.bash
source "$completion"
offered() {  # the words the completion offers for a command line ending in "$@"
  COMP_WORDS=(scenarioc "$@")
  COMP_CWORD=$(($# ))
  COMPREPLY=()
  _scenarioc
  printf '%s\n' "${COMPREPLY[@]}"
}
offers() {  # WORD... EXPECTED: the completion of WORD... offers EXPECTED
  local words
  words=$(offered "${@:1:$#-1}")
  grep -qxF -- "${!#}" <<<"$words"
}
in_man_page() {  # roff writes a minus sign as \-
  grep -qF -- "${1//-/\\-}" "$man_page"
}

commands=$("$scenarioc" --help | sed -n 's/^  \([a-z][a-z]*\)\( .*\)\?$/\1/p')
[ -n "$commands" ] || fail "no command found in scenarioc --help"
for command in $commands; do
  offers "${command:0:2}" "$command" || fail "the completion does not offer $command"
  grep -q "^\.B $command\$" "$man_page" || fail "the man page has no $command"
  # The options the command's usage names; -Wno-CODE is offered as -Wno-.
  # "[-Wcode]" is the flag a printed warning ends with, not an option.
  "$scenarioc" "$command" --help >"$work/usage" || fail "$command --help fails"
  options=$(grep -o -- '\(^\|[[ ]\)--\?[A-Za-z][A-Za-z0-9-]*' "$work/usage" |
            sed 's/^[[ ]//; s/-[A-Z]*$/-/' | grep -vx -- '-Wcode' | sort -u)
  for option in $options --help; do
    offers "$command" - "$option" || fail "the completion does not offer $command $option"
    in_man_page "$option" || fail "the man page does not describe $option ($command)"
  done
done
for option in --help --version; do
  offers - "$option" || fail "the completion does not offer $option"
  in_man_page "$option" || fail "the man page does not describe $option"
done

# Warning codes complete after -Wno-, from the program's own list.
COMP_WORDS=("$scenarioc" check -Wno-out)
COMP_CWORD=2
COMPREPLY=()
_scenarioc
[ "${COMPREPLY[*]}" = "-Wno-out-of-order" ] || fail "check -Wno-out: ${COMPREPLY[*]}"
codes=$("$scenarioc" check --help | sed -n '/^Warnings/,$ s/^  \([a-z][a-z0-9-]*\)  .*/\1/p' | wc -l)
COMP_WORDS=("$scenarioc" compile -Wno-)
COMPREPLY=()
_scenarioc
[ "${#COMPREPLY[@]}" -eq "$codes" ] && [ "$codes" -gt 20 ] ||
  fail "compile -Wno- offers ${#COMPREPLY[@]} codes of $codes"

version=$("$scenarioc" --version)
grep -q "^\.TH SCENARIOC 1 .*\"$version\"" "$man_page" ||
  fail "the man page is not the one of $version: $(grep '^\.TH' "$man_page")"

# Operands: folders for compile, files for dump; options' values are left to
# the author.
mkdir "$work/scenario one"
: >"$work/route.sim"
cd "$work" || exit 1
[ "$(offered compile s)" = "scenario one" ] || fail "compile s: $(offered compile s)"
[ "$(offered new Ponte 48 s)" = "scenario one" ] || fail "new Ponte 48 s: $(offered new Ponte 48 s)"
[ "$(offered dump r)" = "route.sim" ] || fail "dump r: $(offered dump r)"
[ "$(offered compile --out s)" = "scenario one" ] || fail "compile --out s: $(offered compile --out s)"
[ -z "$(offered compile --train "")" ] || fail "compile --train offers: $(offered compile --train "")"
[ "$(offered compile -- -)" = "" ] || fail "options offered after --"

if [ "$failures" -ne 0 ]; then
  echo "$failures failures"
  exit 1
fi
echo "completion and man page: every command and option of $version"
