#!/usr/bin/env bash
# Sourced: how the scripts hand files to the plug-in under Wine.

# wine_path PATH: the Windows name of a local path (drive Z: is the root).
wine_path() {
    local path
    path=$(realpath -ms -- "$1")
    printf 'Z:%s' "${path//\//\\}"
}

# write_plugin_ini FILE KEY=VALUE...: the plug-in's settings file, CR LF lines in
# Shift-JIS as the plug-in reads them.
write_plugin_ini() {
    local file=$1 pair
    shift
    {
        printf '[SETTING]\r\n'
        for pair in "$@"; do printf '%s\r\n' "$pair"; done
    } | iconv -f UTF-8 -t CP932 >"$file"
}
