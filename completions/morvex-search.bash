# bash completion for morvex-search                                -*- shell-script -*-
# Options, form files (*.inf, *.INF) and folders; the folder of --output-dir; the files of --export.

# Adds to COMPREPLY the folders and the files whose lower-cased names match regex, of those
# whose names begin with $1.
_morvex_search_files() {
    local f
    while IFS= read -r f; do
        if [[ -d $f ]] || [[ ${f,,} =~ $2 ]]; then COMPREPLY+=("$f"); fi
    done < <(compgen -f -- "$1")
}

_morvex_search() {
    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD - 1]}
    local options="--project --country --area --agency --month --cruise --ship --scientist --contact
        --parameter --with-ulma --without-ulma --square --bbox --from --to --probe --all --output-dir --export --quiet
        --json --files-from --format --help --version -o -q -V -h"
    COMPREPLY=()
    case $prev in
    --project | --country | --area | --agency | --month | --cruise | --ship | --scientist | --contact | \
        --parameter | --probe | --square | --bbox | --from | --to)
        return # free text
        ;;
    --format)
        mapfile -t COMPREPLY < <(compgen -W "csv jsonl geojson squares.geojson svg" -- "$cur")
        return
        ;;
    --files-from)
        compopt -o filenames 2>/dev/null
        mapfile -t COMPREPLY < <(compgen -f -- "$cur")
        return
        ;;
    --output-dir | -o)
        compopt -o filenames 2>/dev/null
        mapfile -t COMPREPLY < <(compgen -d -- "$cur")
        return
        ;;
    --export)
        compopt -o filenames 2>/dev/null
        _morvex_search_files "$cur" '\.(csv|jsonl|geojson|squares.geojson|svg)$'
        return
        ;;
    esac
    if [[ $cur == -* ]]; then
        mapfile -t COMPREPLY < <(compgen -W "$options" -- "$cur")
        return
    fi
    compopt -o filenames 2>/dev/null
    _morvex_search_files "$cur" '\.inf$'
} && complete -F _morvex_search morvex-search
