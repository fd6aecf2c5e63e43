#!/usr/bin/env bash
# Peak memory of one export of a single large message, for each shape of lines,
# natively (tessera-export) and in the 32-bit plug-in under Wine (simhost).
# Usage: scripts/bench-memory.sh BUILD_DIR   (a Release tree; WIN_BUILD for Wine)
# Replaces the memory section at the end of docs/bench.md.
set -euo pipefail

REPO=$(cd "$(dirname "$0")/.." && pwd)
BUILD=$(cd "${1:?usage: scripts/bench-memory.sh BUILD_DIR}" && pwd)
EXPORT="$BUILD/tessera-export"
WIN="${WIN_BUILD:-$REPO/build/win}"
CORPUS="$REPO/build/bench-corpus/shapes"
SHAPES=${MEMORY_SHAPES:-"short:20 blank:20 long:20 base64:20 base64:500 utf8-short:100 utf8-line:100 utf8-qp:100 utf8-base64:100"}
[ -x "$EXPORT" ] || { echo "bench-memory: no $EXPORT (build the release tree first)"; exit 1; }
[ -x /usr/bin/time ] || { echo "bench-memory: /usr/bin/time is needed (apt-get install time)"; exit 1; }

mkdir -p "$CORPUS"
OUT=$(mktemp -d "$REPO/build/bench-memory.XXXXXX")
trap 'rm -rf "$OUT"' EXIT
RESULTS="$OUT/results.tsv"
: > "$RESULTS"

WINE=""
# Message 500's text, from the string table.
WRITE_ERROR=$(sed -n 's/^ *IDS_WRITE_ERROR "\(.*\)"$/\1/p' "$REPO/resources/Tessera.rc")
[ -n "$WRITE_ERROR" ] || { echo "bench-memory: no IDS_WRITE_ERROR in resources/Tessera.rc"; exit 1; }
if [ -f "$WIN/bin/simhost.exe" ] && [ -f "$WIN/bin/Tessera.dll" ] && command -v wine >/dev/null; then
    WINE=yes
    cp "$WIN/bin/simhost.exe" "$WIN/bin/Tessera.dll" "$OUT/"
    source "$REPO/scripts/wine-env.sh" "$WIN" >/dev/null
    source "$REPO/scripts/plugin-ini.sh"
fi

# run NAME SHAPE MB OUTPUT-PATH COMMAND...: peak RSS (KB), status, bytes written.
run() {
    local name=$1 shape=$2 mb=$3 target=$4
    shift 4
    local status=0
    /usr/bin/time -f %M -o "$OUT/rss" "$@" </dev/null >"$OUT/stdout" 2>"$OUT/stderr" || status=$?
    # The plug-in tells a failed export with message 500, which simhost prints
    # (a long export that succeeds ends with a summary box instead).
    iconv -f CP932 -t UTF-8 "$OUT/stdout" | grep -qF "message box: $WRITE_ERROR" && status=500
    local bytes
    bytes=$(du -sb "$target" 2>/dev/null | cut -f1)
    printf '%s\t%s\t%s\t%s\t%s\t%s\n' "$name" "$shape" "$mb" "$(tail -n 1 "$OUT/rss")" \
        "$status" "${bytes:-0}" >> "$RESULTS"
    rm -rf "$target"
}

for shape_mb in $SHAPES; do
    shape=${shape_mb%%:*} mb=${shape_mb##*:}
    message="$CORPUS/$shape-$mb.eml"
    [ -f "$message" ] || python3 "$REPO/bench/make_shape_messages.py" "$shape" "$mb" "$message"
    run "tessera-export --format mbox" "$shape" "$mb" "$OUT/out.mbox" \
        "$EXPORT" --quiet --format mbox --output "$OUT/out.mbox" "$message"
    mkdir -p "$OUT/eml"
    run "tessera-export --format eml" "$shape" "$mb" "$OUT/eml" \
        "$EXPORT" --quiet --format eml --output "$OUT/eml" "$message"
    [ -n "$WINE" ] || continue
    for type in 103 104; do
        mkdir -p "$OUT/target"
        write_plugin_ini "$OUT/Tessera.ini" "SavePath=$(wine_path "$OUT/target")\\" "SaveType=$type"
        label=$([ "$type" = 103 ] && echo "stored mbox" || echo "stored eml")
        run "plug-in under Wine, $label" "$shape" "$mb" "$OUT/target" \
            sh -c 'cd "$0" && exec wine simhost.exe --plugin Tessera.dll --do menu-init,stored,exit "$1"' \
            "$OUT" "$(wine_path "$message")"
    done
    echo "bench-memory: $shape $mb MB done"
done

python3 "$REPO/bench/memory_report.py" "$RESULTS" "$REPO/docs/bench.md" "${WINE:+measured}"
