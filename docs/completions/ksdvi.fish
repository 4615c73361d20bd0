# fish completion for ksdvi: commands, their options, DVI files.

set -l commands render print pdf svg info trace text search links locate outline select fontmap sync
set -l fonts render print pdf svg info trace text search links locate outline fontmap sync
set -l pages render print pdf svg trace text search links select
set -l dpi render print pdf svg info text search links locate outline sync

complete -c ksdvi -f
complete -c ksdvi -n "not __fish_seen_subcommand_from $commands" -s V -l version -d "Versions"
complete -c ksdvi -n "not __fish_seen_subcommand_from $commands" -a render -d "Render pages to PNG files"
complete -c ksdvi -n "not __fish_seen_subcommand_from $commands" -a print -d "Print pages to PDF or PostScript"
complete -c ksdvi -n "not __fish_seen_subcommand_from $commands" -a pdf -d "Pages as a PDF file"
complete -c ksdvi -n "not __fish_seen_subcommand_from $commands" -a svg -d "Pages as SVG files"
complete -c ksdvi -n "not __fish_seen_subcommand_from $commands" -a info -d "Preamble, mode, pages and fonts"
complete -c ksdvi -n "not __fish_seen_subcommand_from $commands" -a trace -d "One line per character, rule and special"
complete -c ksdvi -n "not __fish_seen_subcommand_from $commands" -a text -d "The text of each page"
complete -c ksdvi -n "not __fish_seen_subcommand_from $commands" -a search -d "Where a text occurs"
complete -c ksdvi -n "not __fish_seen_subcommand_from $commands" -a links -d "The hyperlinks of each page"
complete -c ksdvi -n "not __fish_seen_subcommand_from $commands" -a locate -d "Where an anchor is"
complete -c ksdvi -n "not __fish_seen_subcommand_from $commands" -a outline -d "The bookmarks"
complete -c ksdvi -n "not __fish_seen_subcommand_from $commands" -a select -d "Chosen pages into a DVI file"
complete -c ksdvi -n "not __fish_seen_subcommand_from $commands" -a fontmap -d "The map entries of the fonts"
complete -c ksdvi -n "not __fish_seen_subcommand_from $commands" -a sync -d "Between the document and its sources"

complete -c ksdvi -n "__fish_seen_subcommand_from $commands" -k -a "(__fish_complete_suffix .dvi)"
complete -c ksdvi -n "__fish_seen_subcommand_from $commands" -s q -l quiet -d "No warnings"
complete -c ksdvi -n "__fish_seen_subcommand_from $commands" -s v -l verbose -d "Say what is chosen"
complete -c ksdvi -n "__fish_seen_subcommand_from $commands" -l strict -d "Exit status 3 after warnings"
complete -c ksdvi -n "__fish_seen_subcommand_from $fonts" -l tfm-path -x -a "(__fish_complete_directories)"
complete -c ksdvi -n "__fish_seen_subcommand_from $fonts" -l vf-path -x -a "(__fish_complete_directories)"
complete -c ksdvi -n "__fish_seen_subcommand_from $fonts" -l allow-paths -x -a "(__fish_complete_directories)"
complete -c ksdvi -n "__fish_seen_subcommand_from $fonts" -l map -r -F
complete -c ksdvi -n "__fish_seen_subcommand_from $fonts" -l xhan-table -r -F
complete -c ksdvi -n "__fish_seen_subcommand_from $fonts" -l mode -x -d "METAFONT mode"
complete -c ksdvi -n "__fish_seen_subcommand_from $fonts" -l bdpi -x -d "Base resolution of the mode"
complete -c ksdvi -n "__fish_seen_subcommand_from $fonts" -l no-mktexpk -d "Never run METAFONT"
complete -c ksdvi -n "__fish_seen_subcommand_from $pages" -s p -l pages -x -d "Physical pages"
complete -c ksdvi -n "__fish_seen_subcommand_from $pages" -o pp -x -d "Pages by TeX number"
complete -c ksdvi -n "__fish_seen_subcommand_from $dpi" -s r -s D -l resolution -x -d "Dots per inch"
complete -c ksdvi -n "__fish_seen_subcommand_from render print pdf svg select" -s o -l output -r -F
complete -c ksdvi -n "__fish_seen_subcommand_from render print pdf svg" -l paper -x -a "(paperconf -a 2>/dev/null) landscape"
complete -c ksdvi -n "__fish_seen_subcommand_from render print pdf svg" -l ps-seconds -x -d "How long a page's PostScript may run"
complete -c ksdvi -n "__fish_seen_subcommand_from render" -s z -l zoom -x
complete -c ksdvi -n "__fish_seen_subcommand_from render" -s j -l jobs -x
complete -c ksdvi -n "__fish_seen_subcommand_from render" -l links
complete -c ksdvi -n "__fish_seen_subcommand_from render" -l link-colour
complete -c ksdvi -n "__fish_seen_subcommand_from render" -l follow
complete -c ksdvi -n "__fish_seen_subcommand_from render" -l highlight -x
complete -c ksdvi -n "__fish_seen_subcommand_from render" -s T -l image-size -x -a "tight bbox"
complete -c ksdvi -n "__fish_seen_subcommand_from render" -l bg -x -d "Background"
complete -c ksdvi -n "__fish_seen_subcommand_from render" -l fg -x -d "Colour of black"
complete -c ksdvi -n "__fish_seen_subcommand_from render" -l depth
complete -c ksdvi -n "__fish_seen_subcommand_from render" -l height
complete -c ksdvi -n "__fish_seen_subcommand_from render" -l width
complete -c ksdvi -n "__fish_seen_subcommand_from info text search links outline sync" -l json
complete -c ksdvi -n "__fish_seen_subcommand_from search" -l match-case
complete -c ksdvi -n "__fish_seen_subcommand_from sync" -l forward -x
complete -c ksdvi -n "__fish_seen_subcommand_from sync" -l inverse -x
