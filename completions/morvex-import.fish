# fish completion for morvex-import: options, record files (*.xml, *.XML) and folders.

# The folders, and the files whose names end in .xml (letter case ignored), of those whose
# names begin with the word being completed.
function __morvex_import_files
    set -l token (commandline -ct)
    for f in $token*
        if test -d $f
            echo $f/
        else if string match -qir -- '\.xml$' $f
            echo $f
        end
    end
end

complete -c morvex-import -f
complete -c morvex-import -s o -l output-dir -x -a '(__fish_complete_directories)' -d 'Folder of the form files'
complete -c morvex-import -l replace -d 'Replace form files that exist'
complete -c morvex-import -s q -l quiet -d 'No progress bar on a terminal'
complete -c morvex-import -l json -d 'The outcome as one JSON object on stdout'
complete -c morvex-import -s h -l help -d 'Show the help and exit'
complete -c morvex-import -s V -l version -d 'Show the version and exit'
complete -c morvex-import -a '(__morvex_import_files)' -d 'Record file or folder'
