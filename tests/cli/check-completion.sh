#!/usr/bin/env bash
# Completes zr7e-cli command lines with its bash completion, without bash-completion and, when
# that is installed, with it; then checks that every command and option that `zr7e-cli --help`
# names can be completed. Usage: check-completion.sh COMPLETION_FILE ZR7E_CLI
set -uo pipefail
completion=$(realpath "$1")
cli=$(realpath "$2")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" && mkdir safe 'my docs' && touch secret.key notes.txt backup.opn photo.png || exit 1

# The line typed before Tab | what is offered, sorted and joined by commas.
cases=('zr7e-cli enc|encrypt' 'zr7e-cli encrypt --ke|--key-file,--key-stdin'
       'zr7e-cli verify --subfolders --|--files,--help,--key-file,--key-stdin,--quiet'
       'zr7e-cli --|--help,--version' 'zr7e-cli run x.opn --q|--quiet'
       'zr7e-cli decrypt --to |my docs,safe' 'zr7e-cli test |my docs,safe'
       'zr7e-cli checksum --key-file s|safe,secret.key' 'zr7e-cli run |backup.opn,my docs,safe'
       'zr7e-cli randomness --picture p|photo.png' 'zr7e-cli encrypt --as |')

offered() {
    local COMP_LINE=$1 COMP_POINT=${#1} COMP_WORDS COMP_CWORD COMPREPLY=()
    read -ra COMP_WORDS <<<"$1"
    [[ $1 == *' ' ]] && COMP_WORDS+=('')
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    _zr7e_cli
    printf '%s\n' "${COMPREPLY[@]}" | sort | paste -sd, -
}

check() {
    local failed=0 entry got command named missing
    for entry in "${cases[@]}"; do
        got=$(offered "${entry%%|*}")
        [[ $got == "${entry#*|}" ]] ||
            { echo "$1: '${entry%%|*}<Tab>' offers '$got'" >&2; failed=1; }
    done
    named=$("$cli" --help | grep -o -e '--[a-z-]*' -e 'zr7e-cli [a-z|]*' | sed 's/^zr7e-cli //' |
        tr '|' '\n' | grep -vx -e '' -e -h -e -- | sort -u)
    missing=$(comm -23 <(echo "$named") <(
        {
            offered 'zr7e-cli --' | tr , '\n'
            for command in $(offered 'zr7e-cli ' | tr , ' '); do
                echo "$command"
                offered "zr7e-cli $command --" | tr , '\n'
            done
        } | sort -u))
    [[ -z $missing ]] || { echo "$1: named by --help, never offered:" $missing >&2; failed=1; }
    return $failed
}

status=0
(source "$completion" && check 'plain bash') || status=1
if [[ -r /usr/share/bash-completion/bash_completion ]]; then
    (source /usr/share/bash-completion/bash_completion && source "$completion" &&
        check 'with bash-completion') || status=1
else
    echo "bash-completion not installed: its helpers are not checked"
fi
exit $status
