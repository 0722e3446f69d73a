# bash completion for morvex-import                                -*- shell-script -*-
# Options, record files (*.xml, *.XML) and folders; the folder of --output-dir.

_morvex_import() {
    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD - 1]}
    local options="--output-dir --replace --quiet --json --help --version -o -q -V -h" f
    COMPREPLY=()
    if [[ $prev == --output-dir || $prev == -o ]]; then
        compopt -o filenames 2>/dev/null
        mapfile -t COMPREPLY < <(compgen -d -- "$cur")
        return
    fi
    if [[ $cur == -* ]]; then
        mapfile -t COMPREPLY < <(compgen -W "$options" -- "$cur")
        return
    fi
    compopt -o filenames 2>/dev/null
    while IFS= read -r f; do
        if [[ -d $f ]] || [[ ${f,,} == *.xml ]]; then COMPREPLY+=("$f"); fi
    done < <(compgen -f -- "$cur")
} && complete -F _morvex_import morvex-import
