#!/usr/bin/env zsh
# zsh-completions.zsh FOLDER LINE: the words zsh's completion offers at the end of LINE, with the completion
# functions of FOLDER: an interactive zsh on a pseudo-terminal, whose compadd prints what it is given.
zmodload zsh/zpty || exit 1
setup=$(mktemp)
trap 'rm -f $setup' EXIT
cat >$setup <<'SETUP'
PROMPT=
autoload -U compinit && compinit -u -D
compadd() {
    [[ ${@[1,(i)(-|--)]} == *-(O|A|D)\ * ]] && { builtin compadd "$@"; return $? }
    local -a hits
    builtin compadd -A hits "$@"
    local -A apre hpre hsuf
    zparseopts -E P:=apre p:=hpre s:=hsuf
    local hit
    for hit in $hits; do printf '\001%s\n' "$IPREFIX${apre[-P]}${hpre[-p]}$hit${hsuf[-s]}"; done
    builtin compadd "$@"
}
comppostfuncs=(__captured)
__captured() { printf '\002\n'; exit }
SETUP
zpty z zsh -f -i
zpty -w z "fpath=(${(q)1} \$fpath); source ${(q)setup}"
zpty -n -w z "$2"$'\t'
local line
while zpty -r z line; do
    [[ $line == *$'\2'* ]] && break
    [[ $line == *$'\1'* ]] && print -r -- ${${line##*$'\1'}%%[$'\r\n']*}
done
zpty -d z
