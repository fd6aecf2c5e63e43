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
SHAPES=${MEMORY_SHAPES:-"short:20 blank:20 long:20 base64:20 base64:500"}
[ -x "$EXPORT" ] || { echo "bench-memory: no $EXPORT (build the release tree first)"; exit 1; }
[ -x /usr/bin/time ] || { echo "bench-memory: /usr/bin/time is needed (apt-get install time)"; exit 1; }

mkdir -p "$CORPUS"
OUT=$(mktemp -d "$REPO/build/bench-memory.XXXXXX")
trap 'rm -rf "$OUT"' EXIT
RESULTS="$OUT/results.tsv"
: > "$RESULTS"

WINE=""
if [ -f "$WIN/bin/simhost.exe" ] && [ -f "$WIN/bin/Tessera.dll" ] && command -v wine >/dev/null; then
    WINE=yes
    cp "$WIN/bin/simhost.exe" "$WIN/bin/Tessera.dll" "$OUT/"
    source "$REPO/scripts/wine-env.sh" "$WIN" >/dev/null
fi

# run NAME SHAPE MB OUTPUT-PATH COMMAND...: peak RSS (KB), status, bytes written.
run() {
    local name=$1 shape=$2 mb=$3 target=$4
    shift 4
    local status=0
    /usr/bin/time -f %M -o "$OUT/rss" "$@" </dev/null >"$OUT/stdout" 2>"$OUT/stderr" || status=$?
    # The plug-in tells a failed export in a message box, which simhost prints.
    grep -q "message box" "$OUT/stdout" && status=500
    local bytes
    bytes=$(du -sb "$target" 2>/dev/null | cut -f1)
    printf '%s\t%s\t%s\t%s\t%s\t%s\n' "$name" "$shape" "$mb" "$(tail -n 1 "$OUT/rss")" \
        "$status" "${bytes:-0}" >> "$RESULTS"
    rm -rf "$target"
}

winpath() { printf 'Z:%s' "$1" | tr / '\\'; }

for spec in $SHAPES; do
    shape=${spec%%:*} mb=${spec##*:}
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
        printf '[SETTING]\r\nSavePath=%s\\\r\nSaveType=%s\r\n' "$(winpath "$OUT/target")" "$type" \
            > "$OUT/Tessera.ini"
        label=$([ "$type" = 103 ] && echo "stored mbox" || echo "stored eml")
        run "plug-in under Wine, $label" "$shape" "$mb" "$OUT/target" \
            sh -c 'cd "$0" && exec wine simhost.exe --plugin Tessera.dll --do menu-init,stored,exit "$1"' \
            "$OUT" "$(winpath "$message")"
    done
    echo "bench-memory: $shape $mb MB done"
done

python3 - "$RESULTS" "$REPO/docs/bench.md" "${WINE:+measured}" <<'PYEOF'
import sys
results, target, wine = sys.argv[1:4]
rows = [line.rstrip("\n").split("\t") for line in open(results)]
lines = ["## Memory", "",
         "Measured by `scripts/bench-memory.sh` (run by `make bench`): one export of one large "
         "message (`bench/make_shape_messages.py`: lines of one byte, empty lines, lines of 64 KiB, "
         "a base64 attachment; text declared ISO-2022-JP, so every text line is converted), peak "
         "resident memory of the whole process (`/usr/bin/time`). Limit: 3 x the message + 64 MB. "
         "Plug-in under Wine: %s." % ("measured (32-bit DLL in simhost.exe)" if wine else "not measured"),
         "", "| command | lines | message MB | peak RSS MB | limit MB | within | result |",
         "|---|---|---:|---:|---:|---|---|"]
for name, shape, mb, rss, status, written in rows:
    size = int(mb) * 1.048576
    peak = int(rss) / 1024
    limit = 3 * size + 64
    result = ("written, %.0f MB" % (int(written) / 1e6) if status == "0" else
              "message 500 (too large to hold)" if status == "500" else "exit %s" % status)
    lines.append("| %s | %s | %.0f | %.1f | %.0f | %s | %s |" % (
        name, shape, size, peak, limit, "yes" if peak <= limit else "NO", result))
text = open(target).read() if __import__("os").path.exists(target) else ""
head = text.split("\n## Memory\n")[0].rstrip("\n")
open(target, "w").write(head + "\n\n" + "\n".join(lines) + "\n")
print("\n".join(lines))
PYEOF
