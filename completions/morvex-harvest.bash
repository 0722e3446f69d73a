# bash completion for morvex-harvest                               -*- shell-script -*-
# Options, the words of --protocol, files of record addresses and folders; the folder of
# --output-dir.

_morvex_harvest() {
    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD - 1]}
    local options="--output-dir --protocol --set --metadata-prefix --from --full --page-size --forms-only --replace
        --timeout --retries --ca-file --quiet --json --help --version -o -q -V -h"
    COMPREPLY=()
    case $prev in
    --output-dir | -o)
        compopt -o filenames 2>/dev/null
        mapfile -t COMPREPLY < <(compgen -d -- "$cur")
        return
        ;;
    --protocol)
        mapfile -t COMPREPLY < <(compgen -W "csw oai list" -- "$cur")
        return
        ;;
    --ca-file)
        compopt -o filenames 2>/dev/null
        mapfile -t COMPREPLY < <(compgen -f -- "$cur")
        return
        ;;
    --set | --metadata-prefix | --from | --page-size | --timeout | --retries)
        return
        ;;
    esac
    if [[ $cur == -* ]]; then
        mapfile -t COMPREPLY < <(compgen -W "$options" -- "$cur")
        return
    fi
    compopt -o filenames 2>/dev/null
    mapfile -t COMPREPLY < <(compgen -f -- "$cur")
} && complete -F _morvex_harvest morvex-harvest
