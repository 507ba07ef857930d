#!/usr/bin/env bash
# Loads each shell's completion script in that shell and checks what it
# offers: the options after "--", and only Markdown files and directories
# for a file argument. bash always; zsh and fish where they are installed.
#
# Usage: run.sh COMPLETIONS_DIR
# shellcheck source=scripts/need-bash.sh
. "$(dirname "$0")/../../scripts/need-bash.sh" "$@"
set -u
completions=$(cd "${1:?usage: run.sh COMPLETIONS_DIR}" && pwd)
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/pagelume-completions.XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir "$work/sub"
touch "$work/a.md" "$work/b.txt" "$work/c.markdown"
cd "$work" || exit 1

# shellcheck source=tests/report.sh
. "$(dirname "$0")/../report.sh"

# expect NAME ACTUAL WANTED...: every WANTED appears in ACTUAL, b.txt never.
expect() {
  local name=$1 actual=$2
  shift 2
  local wanted missing=""
  for wanted in "$@"; do
    grep -qF -- "$wanted" <<<"$actual" || missing+=" $wanted"
  done
  grep -qF b.txt <<<"$actual" && missing+=" (offered b.txt)"
  if [ -z "$missing" ]; then
    pass "$name"
  else
    fail "$name" "missing$missing in:"$'\n'"$actual"
  fi
}

# In the bash this script runs in, which the build found new enough: the
# first on PATH may be macOS's 3.2, which lacks what the script uses.
bash_complete() {
  # shellcheck disable=SC2016 # the inner bash expands these
  "$BASH" --norc --noprofile -c '
    source "$1" || exit 1
    COMP_WORDS=(pagelume "$2")
    COMP_CWORD=1
    _pagelume
    printf "%s\n" "${COMPREPLY[@]}"' bash "$completions/pagelume.bash" "$1" 2>&1
}
expect 'bash options' "$(bash_complete --)" --help --version
expect 'bash files' "$(bash_complete '')" a.md c.markdown sub

if command -v zsh >/dev/null; then
  expect 'zsh options' "$(zsh "$here/zsh-list.zsh" "$completions" "$work" 'pagelume --')" --help --version
  expect 'zsh files' "$(zsh "$here/zsh-list.zsh" "$completions" "$work" 'pagelume ')" a.md c.markdown sub/
else
  skip 'zsh options (zsh is not installed)'
  skip 'zsh files (zsh is not installed)'
fi

if command -v fish >/dev/null; then
  fish_complete() {
    # shellcheck disable=SC2016 # fish expands $argv, not this shell
    fish --no-config -c 'source $argv[1]; and complete -C "pagelume $argv[2]"' \
      "$completions/pagelume.fish" "$1" 2>&1
  }
  expect 'fish options' "$(fish_complete --)" --help --version
  expect 'fish files' "$(fish_complete '')" a.md c.markdown sub/
else
  skip 'fish options (fish is not installed)'
  skip 'fish files (fish is not installed)'
fi

summary
