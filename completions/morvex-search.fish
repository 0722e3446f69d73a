# fish completion for morvex-search: options, form files (*.inf, *.INF), folders and export files.

# The folders, and the files whose names match regex (letter case ignored), of those whose
# names begin with the word being completed.
function __morvex_search_files -a regex
    set -l token (commandline -ct)
    for f in $token*
        if test -d $f
            echo $f/
        else if string match -qir -- $regex $f
            echo $f
        end
    end
end

complete -c morvex-search -f
complete -c morvex-search -l project -x -d 'Project name(s), header line 0'
complete -c morvex-search -l country -x -d 'Country, line 1'
complete -c morvex-search -l area -x -d 'Marsden squares and IHB areas, line 2'
complete -c morvex-search -l agency -x -d 'Operating agency, line 3'
complete -c morvex-search -l month -x -d 'Month(s), line 4'
complete -c morvex-search -l cruise -x -d 'Cruise name(s), line 5'
complete -c morvex-search -l ship -x -d 'Ship or platform, line 6'
complete -c morvex-search -l scientist -x -d 'Chief scientist(s), line 7'
complete -c morvex-search -l contact -x -d 'Contact(s) for queries, line 8'
complete -c morvex-search -l parameter -x -d 'Observation types and parameter codes, lines 10 on'
complete -c morvex-search -l with-ulma -n 'not __fish_seen_argument -l without-ulma' -d 'Only cruises with data held at ULMA'
complete -c morvex-search -l without-ulma -n 'not __fish_seen_argument -l with-ulma' -d 'Only cruises with no data held at ULMA'
complete -c morvex-search -l square -x -d 'Forms naming Marsden square N in line 2, by number'
complete -c morvex-search -l bbox -x -d 'Forms naming a square that overlaps the box W,S,E,N'
complete -c morvex-search -l from -x -d 'Forms whose cruise ends on DATE (YYYY-MM-DD) or later'
complete -c morvex-search -l to -x -d 'Forms whose cruise starts on DATE (YYYY-MM-DD) or earlier'
complete -c morvex-search -l probe -x -d 'Line probe: only line T of each form goes to kerheads.htm'
complete -c morvex-search -l all -d 'Search even when no criterion is given'
complete -c morvex-search -s o -l output-dir -x -a '(__fish_complete_directories)' -d 'Folder of the four files'
complete -c morvex-search -l export -x -a '(__morvex_search_files \'\\.(csv|jsonl|geojson|squares.geojson|svg)$\')' -d 'Also write the selected forms to FILE'
complete -c morvex-search -l format -x -a 'csv jsonl geojson squares.geojson svg' -d 'The format of --export -'
complete -c morvex-search -l files-from -r -F -d 'Also the form files named in FILE, one a line'
complete -c morvex-search -s q -l quiet -d 'No progress bar on a terminal'
complete -c morvex-search -l json -d 'The outcome as one JSON object on stdout'
complete -c morvex-search -s h -l help -d 'Show the help and exit'
complete -c morvex-search -s V -l version -d 'Show the version and exit'
complete -c morvex-search -a '(__morvex_search_files \'\\.inf$\')' -d 'Form file'
