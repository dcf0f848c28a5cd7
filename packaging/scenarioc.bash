# bash completion for scenarioc: its commands, each command's options, and
# folders or files where the command takes them. Installed as
# share/bash-completion/completions/scenarioc; to try it without installing,
# `source packaging/scenarioc.bash`. Uses bash's own compgen only, so it
# works without the bash-completion package too.

_scenarioc_paths() {  # -d: folders; -f: files and folders
  compopt -o filenames 2>/dev/null
  local IFS=$'\n'
  COMPREPLY=($(compgen "$1" -- "$cur"))
}

# The warning codes, as the program itself lists them under check --help:
# the list cannot drift from the program's.
_scenarioc_warning_codes() {
  "${COMP_WORDS[0]}" check --help 2>/dev/null |
    sed -n '/^Warnings/,$ s/^  \([a-z][a-z0-9-]*\)  .*/\1/p'
}

_scenarioc() {
  local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD - 1]}
  COMPREPLY=()
  if [[ $COMP_CWORD -eq 1 ]]; then
    COMPREPLY=($(compgen -W "compile check dump new texts decompile render lsp timetable --help --version" -- "$cur"))
    return
  fi

  local command=${COMP_WORDS[1]} options operand
  case $command in
    compile)
      options="--scenario --train --no-plan --out --json -Werror -Wno- --diagnostic-limit --help"
      operand=-d ;;
    check)
      options="--scenario --train --json -Werror -Wno- --diagnostic-limit --help"
      operand=-d ;;
    dump)
      options="--json --help"
      operand=-f ;;
    new)
      options="--help"
      operand=-d ;;
    texts)
      options="--help"
      operand=-d ;;
    decompile)
      options="--scenario --train --out --json --help"
      operand=-d ;;
    render)
      options="--scenario --train --out --from --to --help"
      operand=-f ;;
    lsp)
      options="--help" ;;
    timetable)
      options="--scenario --train --json --help"
      operand=-d ;;
    *)
      return ;;
  esac

  # The value of an option.
  case $prev in
    --scenario | --train | --from | --to | --diagnostic-limit)
      return ;;  # the author's own name, number, kilometre or limit
    --out)
      if [[ $command == render ]]; then _scenarioc_paths -f; else _scenarioc_paths -d; fi
      return ;;
  esac

  # "--" ends the options.
  local i
  for ((i = 2; i < COMP_CWORD; i++)); do
    [[ ${COMP_WORDS[i]} == -- ]] && options=""
  done

  if [[ $cur == -Wno-* && $options == *-Wno-* ]]; then
    local IFS=$'\n'
    COMPREPLY=($(compgen -W "$(_scenarioc_warning_codes | sed 's/^/-Wno-/')" -- "$cur"))
  elif [[ $cur == -* && -n $options ]]; then
    COMPREPLY=($(compgen -W "$options" -- "$cur"))
    # -Wno- is followed by a diagnostic's code, not by a space.
    [[ ${#COMPREPLY[@]} -eq 1 && ${COMPREPLY[0]} == -Wno- ]] && compopt -o nospace 2>/dev/null
  elif [[ -n $operand ]]; then
    _scenarioc_paths "$operand"
  fi
}

complete -F _scenarioc scenarioc
