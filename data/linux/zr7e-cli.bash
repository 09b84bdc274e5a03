# Bash completion for zr7e-cli: the commands, each command's options, and files or folders
# where an option or argument names one. Uses bash-completion's helpers when they are loaded
# (quoting, "~", "$VAR" and redirections handled as in every other command), and plain
# compgen otherwise.

# The options each command accepts.
_zr7e_cli_options()
{
    local key='--key-file --key-stdin'
    case $1 in
    encrypt)
        echo "--files --subfolders --in-place --to --as --repairable $key --yes --force --quiet" ;;
    decrypt)
        echo "--files --subfolders --in-place --to --as $key --yes --force --quiet" ;;
    verify) echo "--files --subfolders --quiet $key" ;;
    run) echo "$key --yes --force --quiet" ;;
    randomness) echo '--subfolders --files --picture --force' ;;
    test) echo "--runs --in-place $key" ;;
    checksum) echo "$key" ;;
    newkey) echo '--force' ;;
    esac
}

# Files and folders matching the word being completed: "-d" for folders only, an extension
# (without the dot) for folders and files with it, nothing for every file and folder.
_zr7e_cli_paths()
{
    if declare -F _filedir >/dev/null; then
        _filedir "$1"
        return
    fi
    compopt -o filenames 2>/dev/null
    local IFS=$'\n'
    case $1 in
    -d) COMPREPLY=($(compgen -d -- "$cur")) ;;
    '') COMPREPLY=($(compgen -f -- "$cur")) ;;
    *) COMPREPLY=($(compgen -d -- "$cur") $(compgen -f -X "!*.$1" -- "$cur")) ;;
    esac
}

_zr7e_cli()
{
    local cur prev words cword
    if declare -F _init_completion >/dev/null; then
        _init_completion || return
    else
        words=("${COMP_WORDS[@]}")
        cword=$COMP_CWORD
        cur=${words[cword]}
        prev=${words[cword - 1]}
    fi

    if ((cword == 1)); then
        if [[ $cur == -* ]]; then
            COMPREPLY=($(compgen -W '--help --version' -- "$cur"))
        else
            COMPREPLY=($(compgen -W 'encrypt decrypt verify repair run randomness test
                checksum newkey' -- "$cur"))
        fi
        return
    fi

    local command=${words[1]}
    case $prev in
    --key-file) _zr7e_cli_paths '' ; return ;;
    --to) _zr7e_cli_paths -d ; return ;;
    --picture) _zr7e_cli_paths png ; return ;;
    # A file specification or a number: nothing to offer.
    --files | --as | --runs) return ;;
    esac

    local options
    options=$(_zr7e_cli_options "$command")
    [[ $options ]] || return
    if [[ $cur == -* ]]; then
        # An option already given is not offered again.
        local option given=" ${words[*]:2:cword-2} "
        COMPREPLY=()
        for option in $options --help; do
            [[ $option == "$cur"* && $given != *" $option "* ]] && COMPREPLY+=("$option")
        done
        return
    fi

    case $command in
    encrypt | decrypt | verify | repair | randomness | newkey) _zr7e_cli_paths '' ;;
    run) _zr7e_cli_paths opn ;;
    test) _zr7e_cli_paths -d ;;
    esac
}

complete -F _zr7e_cli zr7e-cli
