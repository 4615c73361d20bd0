# bash completion for ksdvi: commands, their options, DVI files.

_ksdvi() {
    local cur prev words cword
    _init_completion || return

    local commands="render print pdf svg info trace text search links locate outline select fontmap sync"
    local common="-q --quiet -v --verbose --strict --help"
    local fonts="--tfm-path --vf-path --map --allow-paths --xhan-table --mode --bdpi --no-mktexpk"
    local pages="-p --pages -pp"

    local command="" i
    for ((i = 1; i < cword; i++)); do
        if [[ " $commands " == *" ${words[i]} "* ]]; then
            command=${words[i]}
            break
        fi
    done
    if [[ -z $command ]]; then
        COMPREPLY=($(compgen -W "$commands --version -V --help" -- "$cur"))
        return
    fi

    case $prev in
        --tfm-path | --vf-path | --allow-paths)
            _filedir -d
            return
            ;;
        --map | --xhan-table)
            _filedir
            return
            ;;
        -o | --output)
            _filedir '@(png|pdf|ps|svg|dvi)'
            return
            ;;
        --paper)
            COMPREPLY=($(compgen -W "$(paperconf -a 2>/dev/null) landscape" -- "$cur"))
            return
            ;;
        -T | --image-size)
            COMPREPLY=($(compgen -W "tight bbox" -- "$cur"))
            return
            ;;
        -p | --pages | -pp | -r | -D | --resolution | -z | --zoom | -j | --jobs | --mode | --bdpi | \
            --highlight | --forward | --inverse | --ps-seconds | --bg | --fg)
            return
            ;;
    esac

    local options="$common $fonts"
    case $command in
        render) options+=" $pages -r -D --resolution -z --zoom -o --output --paper -j --jobs --links --link-colour --follow --highlight -T --image-size --bg --fg --depth --height --width --ps-seconds" ;;
        print | pdf | svg) options+=" $pages -r -D --resolution --paper -o --output --ps-seconds" ;;
        info) options+=" --json -r -D --resolution" ;;
        trace) options+=" $pages" ;;
        text) options+=" $pages -r -D --resolution --json" ;;
        search) options+=" $pages -r -D --resolution --match-case --json" ;;
        links) options+=" $pages -r -D --resolution --json" ;;
        locate | outline) options+=" -r -D --resolution --json" ;;
        select) options="$common $pages -o --output" ;;
        sync) options+=" --forward --inverse -r -D --resolution --json" ;;
    esac
    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "$options" -- "$cur"))
    else
        _filedir dvi
    fi
} && complete -F _ksdvi ksdvi
