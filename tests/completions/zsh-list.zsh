#!/usr/bin/env zsh
# zsh-list.zsh COMPLETIONS_DIR WORKDIR LINE: types LINE into an interactive
# zsh with the completion functions in COMPLETIONS_DIR, asks for the list of
# choices (as Ctrl-D does) and prints what the terminal showed.
zmodload zsh/zpty || exit 2
dir=$1 workdir=$2 line=$3
zpty -b shell 'TERM=dumb zsh -f -i'
zpty -w shell "cd ${(q)workdir}; PS1='READY> '; fpath=(${(q)dir} \$fpath); autoload -Uz compinit; compinit -u -D; zstyle ':completion:*' list-separator '#'; print COMPINIT-DONE"
output=""
for i in {1..100}; do
  zpty -r -t shell chunk && output+=$chunk
  [[ $output == *COMPINIT-DONE*READY\>* ]] && break
  sleep 0.05
done
zpty -w -n shell "$line"$'\C-d'
listed=""
for i in {1..40}; do
  zpty -r -t shell chunk && listed+=$chunk
  sleep 0.05
done
zpty -d shell
print -r -- "$listed"
