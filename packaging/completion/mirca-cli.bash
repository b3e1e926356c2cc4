# bash completion for mirca-cli                                      -*- shell-script -*-

# Files with one of the given extensions (either letter case), and folders to walk into.
_mirca_cli_files() {
    local pattern="@($1)"
    _filedir "$pattern" 2>/dev/null && return
    # Without bash-completion's helpers: plain globbing, with the extended patterns just for this.
    local IFS=$'\n' extglob_was_off=""
    shopt -q extglob || extglob_was_off=1
    shopt -s extglob
    COMPREPLY=($(compgen -d -- "$cur") $(compgen -f -X "!*.$pattern" -- "$cur"))
    [ -n "$extglob_was_off" ] && shopt -u extglob
    return 0
}

_mirca_cli_folders() {
    _filedir -d 2>/dev/null && return
    local IFS=$'\n'
    COMPREPLY=($(compgen -d -- "$cur"))
}

_mirca_cli() {
    local cur prev words cword
    if declare -F _init_completion >/dev/null; then
        # unix:PATH stays one word.
        _init_completion -n : || return
    else
        cur=${COMP_WORDS[COMP_CWORD]}
        prev=${COMP_WORDS[COMP_CWORD - 1]}
        words=("${COMP_WORDS[@]}")
        cword=$COMP_CWORD
    fi

    local commands="identify config backup map log firmware"
    local global_options="--port --data --json --help --version"

    # Values of the options that take one.
    case $prev in
        --port)
            COMPREPLY=($(compgen -W "usb unix:" -- "$cur"))
            [[ $cur == unix:* ]] && COMPREPLY=($(compgen -P unix: -f -- "${cur#unix:}"))
            compopt -o nospace 2>/dev/null
            # Readline completes from the last ':'; the candidates must not repeat what comes before it.
            declare -F __ltrim_colon_completions >/dev/null && __ltrim_colon_completions "$cur"
            return
            ;;
        --data | --folder | --conf)
            _mirca_cli_folders
            return
            ;;
        --map)
            _mirca_cli_files 'xml|XML'
            return
            ;;
        --db)
            _mirca_cli_files 'db|DB'
            return
            ;;
        --xlsx)
            _mirca_cli_files 'xlsx|XLSX'
            return
            ;;
        --html)
            _mirca_cli_files 'htm|HTM|html|HTML'
            return
            ;;
        --lang)
            COMPREPLY=($(compgen -W "RU EN TR" -- "$cur"))
            return
            ;;
        --object | --address | --date | --type | --uoo | --uop)
            return
            ;;
    esac

    # The command and subcommand, past the global options and their values.
    local i command="" sub="" position=0
    for ((i = 1; i < cword; i++)); do
        case ${words[i]} in
            --port | --data) ((i++)) ;;
            -*) ;;
            *)
                if [[ -z $command ]]; then
                    command=${words[i]}
                elif [[ -z $sub && $command != identify ]]; then
                    sub=${words[i]}
                else
                    ((position++))
                fi
                ;;
        esac
    done

    if [[ -z $command ]]; then
        if [[ $cur == -* ]]; then
            COMPREPLY=($(compgen -W "$global_options" -- "$cur"))
        else
            COMPREPLY=($(compgen -W "$commands" -- "$cur"))
        fi
        return
    fi

    local subcommands="" options="" files=""
    case $command in
        identify) options="--firmware" ;;
        config)
            subcommands="read write factory dump diff set migrate"
            case $sub in
                read | write | dump | diff) files='ycfg|YCFG|tcfg|TCFG' ;;
                set | migrate) files='ycfg|YCFG' ;;
            esac
            case $sub in
                write) options="--verify" ;;
                migrate) options="--map" ;;
            esac
            [[ $sub == diff ]] && subcommands="panel"
            ;;
        backup)
            subcommands="read write"
            files='rrg|RRG'
            [[ $sub == read ]] && options="--object --address"
            ;;
        map)
            subcommands="check"
            files='xml|XML'
            ;;
        log)
            subcommands="read show query export"
            files='yrpt|YRPT'
            case $sub in
                show) options="--lang" ;;
                query) options="--lang --db --date --type --object --uoo --uop" ;;
                export) options="--lang --xlsx --html" ;;
            esac
            ;;
        firmware)
            subcommands="list write refresh"
            case $sub in
                list) options="--all --folder --lang" ;;
                write)
                    options="--yes --no-backup --refresh --no-refresh --cross-edition --conf --lang"
                    files='tsk|TSK'
                    ;;
                refresh) options="--yes --major --lang" ;;
            esac
            ;;
    esac

    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "$options --json" -- "$cur"))
    elif [[ -z $sub && $command != identify ]]; then
        COMPREPLY=($(compgen -W "$subcommands" -- "$cur"))
    elif [[ $sub == diff ]]; then
        _mirca_cli_files "$files"
        COMPREPLY+=($(compgen -W "panel" -- "$cur"))
    elif [[ -n $files && $sub != set || $position -eq 0 ]]; then
        [[ -n $files ]] && _mirca_cli_files "$files"
    fi
} &&
    complete -F _mirca_cli mirca-cli
