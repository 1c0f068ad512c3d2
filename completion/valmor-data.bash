# Bash completion for valmor-data: its commands, each command's options, and the values
# they take (folders, tables, images, formats, game file names). bash-completion loads it
# from /usr/share/bash-completion/completions/valmor-data on the first Tab after the
# command; it needs nothing else of bash-completion, so `source` works as well.

# The options of each command as `valmor-data COMMAND --help` lists them, without the
# -C, --directory, -h and --help that every command takes.
_valmor_data_options() {
    case $1 in
    export-stats | export-encounters) echo "--format -o --output" ;;
    import-stats | import-encounters) echo "--format --truncate" ;;
    import-sprite | import-sprites) echo "--nearest" ;;
    balance) echo "--character --characters --monsters --format -o --output" ;;
    where) echo "--character --characters" ;;
    report) echo "--character --characters --monster --targets -o --output" ;;
    textconv) echo "--as" ;;
    diff) echo "--changes -o --output" ;;
    tune) echo "--characters --targets -o --output --levers --monsters --fields --max-change" ;;
    esac
}

# The given words that start with the word being completed.
_valmor_data_words() {
    mapfile -t COMPREPLY < <(compgen -W "$1" -- "$cur")
}

# Sets the variable named $2 to the word $1 as the program will get it, its quotes taken
# away: bash writes a folder's name with blanks as "my maps"/, and an unclosed quote may
# open the word.
_valmor_data_unquote() {
    local word=$1 text='' quote='' character i
    for ((i = 0; i < ${#word}; i++)); do
        character=${word:i:1}
        case $quote$character in
        "''" | '""') quote='' ;;
        "'"?) text+=$character ;;
        \"\\)
            # Within double quotes a backslash quotes only \, ", $ and `.
            if [[ ${word:i+1:1} == [\\\"\$\`] ]]; then
                ((i++))
                character=${word:i:1}
            fi
            text+=$character
            ;;
        '"'?) text+=$character ;;
        \' | \") quote=$character ;;
        \\)
            ((i++))
            text+=${word:i:1}
            ;;
        *) text+=$character ;;
        esac
    done
    printf -v "$2" '%s' "$text"
}

# Folders, and the files whose names end in one of the given extensions. They come from a
# glob, not from compgen's lines, so that a name holding a newline is one offer, not the
# pieces around the newline. A leading ~/ stays in the offers, unless one of them holds a
# newline: bash quotes a name after ~/ with backslashes, and a backslash before a newline
# joins the lines, so then every offer is the full path, which bash quotes whole.
_valmor_data_files() {
    local extension path start home='' options newline=$'\n' full=0
    compopt -o filenames 2>/dev/null
    _valmor_data_unquote "$cur" start
    if [[ $cur == "~/"* ]]; then
        home=$HOME
        start=$HOME${start:1}
    fi
    options=$(shopt -p nullglob dotglob)
    shopt -s nullglob dotglob
    COMPREPLY=()
    for path in "$start"*; do
        if [[ ! -d $path ]]; then
            for extension in "$@" ''; do
                [[ -n $extension && $path == *."$extension" ]] && break
            done
            [[ -n $extension ]] || continue
        fi
        [[ $path == *"$newline"* ]] && full=1
        COMPREPLY+=("$path")
    done
    eval "$options"
    if [[ -n $home ]] && ((!full)); then
        COMPREPLY=("${COMPREPLY[@]/#"$home"/"~"}")
    fi
}

_valmor_data() {
    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD - 1]}
    # Bash splits --name=value into three words: --name, = and value.
    if [[ $cur == = ]]; then
        cur=
    elif [[ $prev == = ]]; then
        prev=${COMP_WORDS[COMP_CWORD - 2]}
    fi

    # The command is the first word that is neither an option nor an option's value; the
    # words after it that are neither are its arguments.
    local command='' arguments=0 i
    for ((i = 1; i < COMP_CWORD; i++)); do
        case ${COMP_WORDS[i]} in
        -C | --directory | --format | -o | --output | --character | --characters | --monster | --as | \
            --targets | --levers | --fields | --max-change)
            [[ ${COMP_WORDS[i + 1]} == = ]] && ((i++))
            ((i++))
            ;;
        --monsters)
            # A flag of balance; tune's takes a list.
            if [[ $command == tune ]]; then
                [[ ${COMP_WORDS[i + 1]} == = ]] && ((i++))
                ((i++))
            fi
            ;;
        -*) ;;
        *)
            if [[ -z $command ]]; then
                command=${COMP_WORDS[i]}
            else
                ((arguments++))
            fi
            ;;
        esac
    done

    case $prev in
    -C | --directory)
        _valmor_data_files
        return
        ;;
    --format)
        _valmor_data_words "csv json"
        return
        ;;
    -o | --output)
        if [[ $command == report ]]; then
            _valmor_data_files html
        else
            _valmor_data_files csv json
        fi
        return
        ;;
    --characters | --targets)
        _valmor_data_files csv
        return
        ;;
    --levers)
        _valmor_data_words "stats frequencies stats,frequencies"
        return
        ;;
    --fields)
        _valmor_data_words "hp strength agility offMax def level"
        return
        ;;
    --max-change) return ;;
    --monsters)
        [[ $command == tune ]] && return
        ;;
    --as)
        _valmor_data_words "mypal.pal monster.dat monsters.tat encountr.mon itemlist.txt"
        return
        ;;
    --character | --monster) return ;;
    esac

    if [[ -z $command && $cur == -* ]]; then
        _valmor_data_words "-C --directory -h --help --version"
    elif [[ -z $command ]]; then
        _valmor_data_words "export-stats import-stats export-encounters import-encounters
            export-sprites import-sprite import-sprites balance where report check textconv
            diff apply tune"
    elif [[ $cur == -* ]]; then
        _valmor_data_words "$(_valmor_data_options "$command") -C --directory -h --help"
    else
        case $command:$arguments in
        import-stats:0 | import-encounters:0) _valmor_data_files csv json ;;
        apply:0) _valmor_data_files csv ;;
        import-sprite:1) _valmor_data_files png ;;
        export-sprites:0 | import-sprites:0 | diff:0 | diff:1) _valmor_data_files ;;
        textconv:0) _valmor_data_files pal dat tat mon txt ;;
        esac
    fi
}
complete -F _valmor_data valmor-data
