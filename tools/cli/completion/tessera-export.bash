# bash completion for tessera-export (installed as
# share/bash-completion/completions/tessera-export).
_tessera_export() {
    local cur prev
    cur=${COMP_WORDS[COMP_CWORD]}
    prev=${COMP_WORDS[COMP_CWORD-1]}
    case $prev in
        -f|--format) COMPREPLY=($(compgen -W 'mbox eml separator' -- "$cur")); return ;;
        --if-exists) COMPREPLY=($(compgen -W 'overwrite append cancel' -- "$cur")); return ;;
        --names) COMPREPLY=($(compgen -W 'locale sjis' -- "$cur")); return ;;
        --to) COMPREPLY=($(compgen -W 'shift_jis utf-8' -- "$cur")); return ;;
        --settings) COMPREPLY=($(compgen -f -X '!*.[iI][nN][iI]' -- "$cur")); compopt -o plusdirs; return ;;
        -o|--output) COMPREPLY=($(compgen -f -- "$cur")); return ;;
        -s|--separator) return ;;
    esac
    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W '-f --format -s --separator -n --no-attach --settings -o --output
            --if-exists --names --to --raw-headers -q --quiet -h --help -V --version' -- "$cur"))
        return
    fi
    COMPREPLY=($(compgen -f -- "$cur"))
}
complete -o filenames -F _tessera_export tessera-export
