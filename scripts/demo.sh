#!/usr/bin/env bash
# Runs the real Tessera.dll inside the simulated host under Wine on the bundled
# samples: exports them as an mbox, as .eml files and with a separator, using
# stored settings in an INI beside the plug-in, then once more from a slow
# host with the progress window and Cancel, and shows what was written.
set -euo pipefail
WIN_BUILD="${1:-build/win}"
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
source "$ROOT/scripts/wine-env.sh" "$WIN_BUILD"
BIN="$(cd "$WIN_BUILD/bin" && pwd)"
DEMO="$(cd "$WIN_BUILD" && pwd)/demo"
rm -rf "$DEMO" && mkdir -p "$DEMO"
SAMPLES=("$ROOT"/samples/*.eml)

preview() {  # Shift-JIS file -> first lines as UTF-8
    python3 - "$1" <<'PY'
import sys
data = open(sys.argv[1], "rb").read()
text = data.decode("cp932", "replace").replace("\r\n", "\n")
for line in text.split("\n")[:8]:
    print("      | " + line[:100])
PY
}

run_export() {  # name save-type separator [simhost options...]
    local name="$1" type="$2" sep="$3" dir="$DEMO/$1"
    shift 3
    mkdir -p "$dir/out" "$dir/plugin"
    cp "$BIN/Tessera.dll" "$dir/plugin/"
    local winout
    winout="$(winepath -w "$dir/out")\\"
    printf '[SETTING]\r\nSavePath=%s\r\nSeparator=%s\r\nConvert=1\r\nSaveType=%s\r\nNoAttach=0\r\n' \
        "$winout" "$sep" "$type" | iconv -f UTF-8 -t CP932 > "$dir/plugin/Tessera.ini"
    echo "== $name (SaveType=$type) =="
    wine "$BIN/simhost.exe" --plugin "$(winepath -w "$dir/plugin/Tessera.dll")" \
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
        [ "$count" -le 2 ] && preview "$f"
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
