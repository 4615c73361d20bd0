#!/usr/bin/env bash
# What bash completes on ksdvi command lines, through bash-completion.
#   bash-completion.sh COMPLETION_FILE
set -uo pipefail
source /usr/share/bash-completion/bash_completion
source "$1"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" && touch paper.dvi notes.txt && mkdir chapters
failed=0

# LINE (the cursor at its end) and what is offered, sorted.
expect() {
    COMP_LINE=$1
    COMP_POINT=${#1}
    read -ra COMP_WORDS <<<"$1"
    [[ $1 == *" " ]] && COMP_WORDS+=("")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMPREPLY=()
    _ksdvi ksdvi "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
    local got
    got=$(printf '%s\n' "${COMPREPLY[@]}" | sort | paste -sd ' ')
    if [ "$got" != "$2" ]; then
        echo "'$1' offers '$got', not '$2'" >&2
        failed=1
    fi
}

expect "ksdvi re" "render"
expect "ksdvi s" "search select svg sync"
expect "ksdvi p" "pdf print"
expect "ksdvi svg --ps" "--ps-seconds"
expect "ksdvi render -T " "bbox tight"
expect "ksdvi --v" "--version"
expect "ksdvi render --pa" "--pages --paper"
expect "ksdvi render -p" "-p -pp"
expect "ksdvi select --" "--help --output --pages --quiet --strict --verbose"
expect "ksdvi info --js" "--json"
expect "ksdvi render " "chapters paper.dvi"
expect "ksdvi render --paper a4" "a4"
expect "ksdvi render --paper legal" "legal"
expect "ksdvi render --tfm-path " "chapters"
exit $failed
