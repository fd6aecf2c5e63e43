#!/usr/bin/env bash
# Runs the real Tessera.dll inside the simulated host under Wine on the bundled
# samples: exports them as an mbox, as .eml files and with a separator, using
# stored settings in an INI beside the plug-in, then once more from a slow
# host with the progress window and Cancel, and shows what was written.
set -euo pipefail
WIN_BUILD="${1:-build/win}"
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
source "$ROOT/scripts/wine-env.sh" "$WIN_BUILD"
source "$ROOT/scripts/plugin-ini.sh"
BIN="$(cd "$WIN_BUILD/bin" && pwd)"
DEMO="$(cd "$WIN_BUILD" && pwd)/demo"
rm -rf "$DEMO" && mkdir -p "$DEMO"
SAMPLES=("$ROOT"/samples/*.eml)

run_export() {  # name save-type separator [simhost options...]
    local name="$1" type="$2" sep="$3" dir="$DEMO/$1"
    shift 3
    mkdir -p "$dir/out" "$dir/plugin"
    cp "$BIN/Tessera.dll" "$dir/plugin/"
    write_plugin_ini "$dir/plugin/Tessera.ini" "SavePath=$(wine_path "$dir/out")\\" "Separator=$sep" \
        Convert=1 "SaveType=$type" NoAttach=0
    echo "== $name (SaveType=$type) =="
    wine "$BIN/simhost.exe" --plugin "$(wine_path "$dir/plugin/Tessera.dll")" \
        "$@" --do menu-init,stored,exit,buffers "${SAMPLES[@]}" </dev/null 2>&1 | iconv -f CP932 -t UTF-8 | sed 's/^/   host: /'
    local count=0
    while IFS= read -r -d '' f; do
        count=$((count + 1))
        local shown
        shown="$(basename "$f")"  # Wine stores Shift-JIS names as UTF-8 on this side
        local messages
        messages=$(grep -c $'^From [^ ]* [A-Z][a-z][a-z] [A-Z][a-z][a-z] ' "$f" || true)
        printf '   file: %s (%d bytes%s)\n' "$shown" "$(stat -c %s "$f")" \
            "$([ "$type" = 103 ] && echo ", $messages messages")"
        [ "$count" -le 2 ] && python3 "$ROOT/tests/tools/sjis_preview.py" "$f"
    done < <(find "$dir/out" -type f -print0 | sort -z)
    echo "   $count file(s) written"
}

echo "Tessera demo: ${#SAMPLES[@]} sample messages, the real plug-in in the simulated host (Wine)"
run_export mbox 103 ""
run_export eml 104 ""
run_export separator 105 "------------------------------------------------------------"
echo "(a slow host: the progress window shows after half a second; Cancel is pressed during message 8)"
run_export cancelled 103 "" --slow 150 --cancel-after 8
wineserver -k || true
echo "Output is in $DEMO"
