# bash completion for pagelume: its options, then Markdown files and
# directories.
_pagelume() {
  local current=${COMP_WORDS[COMP_CWORD]}
  COMPREPLY=()
  if [[ $current == -?* ]]; then
    mapfile -t COMPREPLY < <(compgen -W '-h --help --version' -- "$current")
    return
  fi
  local entry
  while IFS= read -r entry; do
    if [[ -d $entry || $entry == *.@(md|markdown|mdown|mkd|mkdn|MD) ]]; then
      COMPREPLY+=("$entry")
    fi
  done < <(compgen -f -- "$current")
}
complete -o filenames -F _pagelume pagelume
