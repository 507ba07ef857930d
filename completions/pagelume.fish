# fish completion for pagelume: its options, then Markdown files and
# directories.
function __pagelume_markdown_paths
    # Each entry is the path, a tab and a description (maybe empty).
    string match -r -- '^[^\t]*(?:\.(?:md|markdown|mdown|mkd|mkdn|MD)|/)(?:\t.*)?$' \
        (__fish_complete_path (commandline -ct))
end
complete -c pagelume -f
complete -c pagelume -s h -l help -d 'Show the help and exit'
complete -c pagelume -l version -d "Print the app's version and exit"
complete -c pagelume -a '(__pagelume_markdown_paths)'
