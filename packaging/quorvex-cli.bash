# bash completion for quorvex-cli                           -*- shell-script -*-
# Installed as share/bash-completion/completions/quorvex-cli. It completes the
# commands, each command's options, and file or folder names where an option
# or argument takes one. It uses bash-completion's helpers when they are
# loaded and plain compgen otherwise.

# Adds the file names that match cur to COMPREPLY; $1 "dir" for folders only,
# else an optional list of extensions such as "jpg|jpeg" (folders always).
_quorvex_cli_names() {
    local kind=${1:-}
    if declare -F _filedir >/dev/null; then
        if [[ $kind == dir ]]; then
            _filedir -d
        else
            _filedir "$kind"
        fi
        return
    fi
    compopt -o filenames 2>/dev/null
    local IFS=$'\n' name ext
    if [[ $kind == dir ]]; then
        mapfile -t -O "${#COMPREPLY[@]}" COMPREPLY < <(compgen -d -- "$cur")
        return
    fi
    for name in $(compgen -f -- "$cur"); do
        if [[ -z $kind || -d $name ]]; then
            COMPREPLY+=("$name")
            continue
        fi
        [[ $name == *.* ]] || continue
        ext=${name##*.}
        [[ "|$kind|" == *"|${ext,,}|"* ]] && COMPREPLY+=("$name")
    done
}

# Sets COMPREPLY to the words of the list $1 that begin with cur.
_quorvex_cli_words() {
    mapfile -t COMPREPLY < <(compgen -W "$1" -- "$cur")
}

_quorvex_cli() {
    local cur=${COMP_WORDS[COMP_CWORD]}
    local prev=""
    ((COMP_CWORD > 0)) && prev=${COMP_WORDS[COMP_CWORD - 1]}
    COMPREPLY=()

    local commands="convert filter markers exif info save separate dqt help"
    local jpeg="jpg|jpeg|jpe|jfif|jif"

    # The option whose value is being typed: "--opt VALUE", or "--opt=VALUE"
    # split at "=" (COMP_WORDBREAKS) or not.
    local opt="" prefix=""
    if [[ $cur == "=" && $prev == -* ]]; then
        opt=$prev
        cur=""
    elif [[ $prev == "=" ]] && ((COMP_CWORD > 1)) && [[ ${COMP_WORDS[COMP_CWORD - 2]} == -* ]]; then
        opt=${COMP_WORDS[COMP_CWORD - 2]}
    elif [[ $cur == --*=* ]]; then
        opt=${cur%%=*}
        prefix=$opt=
        cur=${cur#*=}
    elif [[ $prev == -* ]]; then
        opt=$prev
    fi

    # The command: the first word that is neither an option nor the value of
    # --config; and whether "--" has ended the options since.
    local i word command="" ended=0 skip=0
    for ((i = 1; i < COMP_CWORD; i++)); do
        word=${COMP_WORDS[i]}
        if ((skip)); then
            [[ $word == "=" ]] || skip=0
            continue
        fi
        if [[ -z $command ]]; then
            case $word in
            --config) skip=1 ;;
            -*|=) ;;
            *) command=$word ;;
            esac
        elif [[ $word == -- ]]; then
            ended=1
        fi
    done

    # Which options take a value, and what kind of value.
    local valueKind=""
    if ((!ended)); then
        case $command:$opt in
        :--config) valueKind=dir ;;
        convert:--in | convert:--out | convert:-o | filter:--in | filter:--out | filter:-o | \
            separate:-o | separate:--out)
            valueKind=dir ;;
        filter:--log) valueKind="file" ;;
        save:-o | save:--out | dqt:-o | dqt:--out | dqt:--read) valueKind="file" ;;
        convert:--start) valueKind=start ;;
        save:--png-mode) valueKind=pngmode ;;
        convert:--quality | convert:-q | convert:--size | convert:--jobs | convert:-j | filter:--remove-app | \
            save:--resize | save:--gamma | save:--contrast | save:--bias | save:--quality | save:-q | \
            dqt:--quality | dqt:-q)
            valueKind=none ;;
        esac
    fi
    if [[ -n $valueKind ]]; then
        case $valueKind in
        dir) _quorvex_cli_names dir ;;
        file) _quorvex_cli_names ;;
        start) _quorvex_cli_words "next" ;;
        pngmode) _quorvex_cli_words "0 1 2 3 4" ;;
        esac
        if [[ -n $prefix ]]; then
            for i in "${!COMPREPLY[@]}"; do COMPREPLY[i]=$prefix${COMPREPLY[i]}; done
        fi
        return 0
    fi

    if [[ -z $command ]]; then
        if [[ $cur == -* ]]; then
            _quorvex_cli_words "--config --quiet --help -h --version"
        else
            _quorvex_cli_words "$commands"
        fi
        return 0
    fi

    local options="" names=""
    case $command in
    convert)
        options="--in --out -o --start --quality -q --size --jobs -j --overwrite --dry-run --verbose -v"
        names=$jpeg
        ;;
    filter)
        options="--in --out -o --recurse --log --remove-thumb --remove-jfxx --remove-app --remove-com
            --unite-dqt --unite-dht --convert-exif --no-convert-exif --exif-comment --no-exif-comment
            --english --user-comment --no-user-comment"
        names=-
        ;;
    markers) names="$jpeg|png" ;;
    exif) options="--english" names=$jpeg ;;
    info) names=$jpeg ;;
    save)
        options="-o --out --resize --gamma --contrast --bias --quality -q --png-mode --interlace"
        names=$jpeg
        ;;
    separate) options="-o --out" names=$jpeg ;;
    dqt) options="--quality -q -o --out --read" names=- ;;
    help)
        # One command name, right after "help".
        [[ $prev == help ]] && _quorvex_cli_words "${commands% help}"
        return 0
        ;;
    *) return 0 ;;
    esac

    if ((!ended)) && [[ $cur == -* ]]; then
        _quorvex_cli_words "$options --quiet --help -h --"
        return 0
    fi
    [[ $names == - ]] || _quorvex_cli_names "$names"
    return 0
}
complete -F _quorvex_cli quorvex-cli

# ex: filetype=sh
