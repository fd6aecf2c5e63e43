#!/usr/bin/env bash
# Whole-process benchmarks of tessera-export beside nkf, a Python exporter, cat
# and the plug-in under Wine, on a generated mbox of Japanese mail, and on one of
# modern mail (UTF-8, base64 and quoted-printable text, HTML alternatives).
# Usage: scripts/bench.sh BUILD_DIR   (a Release tree; BENCH_RUNS=N runs each, default 5)
# Writes the table to docs/bench.md.
set -euo pipefail

REPO=$(cd "$(dirname "$0")/.." && pwd)
BUILD=$(cd "${1:?usage: scripts/bench.sh BUILD_DIR}" && pwd)
RUNS=${BENCH_RUNS:-5}
EXPORT="$BUILD/tessera-export"
WIN="${WIN_BUILD:-$REPO/build/win}"
CORPUS="$REPO/build/bench-corpus"
[ -x "$EXPORT" ] || { echo "bench: no $EXPORT (build the release tree first)"; exit 1; }
[ -x /usr/bin/time ] || { echo "bench: /usr/bin/time is needed (apt-get install time)"; exit 1; }

mkdir -p "$CORPUS"
BOX="$CORPUS/bench.mbox"
SMALL="$CORPUS/bench-200.mbox"
MODERN="$CORPUS/modern.mbox"
[ -f "$BOX" ] || python3 "$REPO/bench/make_bench_mbox.py" --messages 2000 --size-mb 100 "$BOX"
[ -f "$SMALL" ] || python3 "$REPO/bench/make_bench_mbox.py" --messages 200 --size-mb 10 "$SMALL"
[ -f "$MODERN" ] || python3 "$REPO/bench/make_modern_mbox.py" --messages 2000 --size-mb 100 "$MODERN"

OUT=$(mktemp -d "$REPO/build/bench-out.XXXXXX")
trap 'rm -rf "$OUT"' EXIT
RESULTS="$OUT/results.tsv"
: > "$RESULTS"
cat "$BOX" "$SMALL" "$MODERN" > /dev/null  # the page cache holds them for every contender

# measure NAME INPUT COMMAND...: RUNS runs; wall time (ns) and peak RSS (KB) per run.
measure() {
    local name=$1 input=$2
    shift 2
    for ((i = 0; i < RUNS; i++)); do
        rm -rf "$OUT/target" && mkdir -p "$OUT/target"
        local start end
        start=$(date +%s%N)
        /usr/bin/time -f %M -o "$OUT/rss" "$@" </dev/null >/dev/null 2>"$OUT/stderr" || {
            echo "bench: $name failed:"; cat "$OUT/stderr"; exit 1; }
        end=$(date +%s%N)
        printf '%s\t%s\t%s\t%s\n' "$name" "$(stat -c %s "$input")" "$((end - start))" \
            "$(tail -n 1 "$OUT/rss")" >> "$RESULTS"
    done
    echo "bench: $name done"
}

# Filters read standard input; wrap them so time sees only the filter.
filter() { "$1" "${@:2}" < "$INPUT_FILE" > "$OUT/target/out.txt"; }
export -f filter

T="$OUT/target"
measure "tessera-export --format mbox" "$BOX" "$EXPORT" --quiet --format mbox --output "$T/out.txt" "$BOX"
measure "tessera-export --format mbox --no-attach" "$BOX" \
    "$EXPORT" --quiet --format mbox --no-attach --output "$T/out.txt" "$BOX"
measure "tessera-export --format eml" "$BOX" "$EXPORT" --quiet --format eml --output "$T" "$BOX"
# Into the folder of an earlier export: every file is replaced, each flushed before its rename.
"$EXPORT" --quiet --format eml --output "$OUT/again" "$BOX"
measure "tessera-export --format eml (replacing an earlier export)" "$BOX" \
    "$EXPORT" --quiet --format eml --output "$OUT/again" "$BOX"
measure "tessera-export --format mbox (200 messages)" "$SMALL" \
    "$EXPORT" --quiet --format mbox --output "$T/out.txt" "$SMALL"
measure "nkf -s" "$BOX" sh -c 'exec nkf -s < "$0" > "$1"' "$BOX" "$T/out.txt"
measure "python3 bench/py_export.py" "$BOX" python3 "$REPO/bench/py_export.py" "$BOX" "$T/out.txt"
measure "cat" "$BOX" sh -c 'exec cat "$0" > "$1"' "$BOX" "$T/out.txt"
measure "tessera-export --format mbox (modern mail)" "$MODERN" \
    "$EXPORT" --quiet --format mbox --output "$T/out.txt" "$MODERN"
measure "nkf -s (modern mail)" "$MODERN" sh -c 'exec nkf -s < "$0" > "$1"' "$MODERN" "$T/out.txt"

WINE_NOTE="not measured (no $WIN/bin/simhost.exe and Tessera.dll, or no wine)"
if [ -f "$WIN/bin/simhost.exe" ] && [ -f "$WIN/bin/Tessera.dll" ] && command -v wine >/dev/null; then
    mkdir -p "$OUT/plugin"
    cp "$WIN/bin/simhost.exe" "$WIN/bin/Tessera.dll" "$OUT/plugin/"
    source "$REPO/scripts/wine-env.sh" "$WIN" >/dev/null
    source "$REPO/scripts/plugin-ini.sh"
    winbox=$(wine_path "$BOX")
    write_plugin_ini "$OUT/plugin/Tessera.ini" "SavePath=$(wine_path "$T")\\" SaveType=103
    # The INI is rewritten on exit with the same values; the empty run is Wine's start-up.
    measure "plug-in under Wine (empty run)" "$BOX" \
        sh -c 'cd "$0" && exec wine simhost.exe --plugin Tessera.dll --do menu-init,stored,exit' "$OUT/plugin"
    measure "plug-in under Wine, stored mbox" "$BOX" \
        sh -c 'cd "$0" && exec wine simhost.exe --plugin Tessera.dll --do menu-init,stored,exit "$1"' \
        "$OUT/plugin" "$winbox"
    WINE_NOTE="measured; the MB/s column subtracts the median of the empty run (Wine start-up)"
fi

# The mbox index of a million small messages, in bytes a message.
export INDEX_BYTES=$("$BUILD/MboxIndexBench" 1000000 | sed -n 's/^bytes per message: //p')
# Naming 100,000 .eml files of one Subject against as many distinct ones.
export NAMING_RATIO=$("$BUILD/NamingBench" 100000 5 | sed -n 's/^ratio.*: //p')

python3 "$REPO/bench/bench_report.py" "$RESULTS" "$REPO/docs/bench.md" "$RUNS" "$WINE_NOTE" "$BOX" "$MODERN"

# Peak memory for messages of every shape of lines (appends its section).
bash "$REPO/scripts/bench-memory.sh" "$BUILD"

# What the plug-in's progress window costs (a section of its own).
if [ -f "$WIN/bin/simhost.exe" ] && [ -f "$WIN/bin/Tessera.dll" ] && command -v wine >/dev/null; then
    printf '\n' >> "$REPO/docs/bench.md"
    bash "$REPO/scripts/bench-progress.sh" "$WIN" "$BOX" >> "$REPO/docs/bench.md"
fi

# Interleaved rounds, ratios within each round; beside an earlier build when
# BENCH_BASE (a native Release tree) and BENCH_BASE_WIN (a Wine tree) name one.
PAIRED_WIN=""
[ "$WINE_NOTE" = "${WINE_NOTE#not}" ] && PAIRED_WIN=$WIN  # the Wine rows above ran
python3 "$REPO/bench/paired_bench.py" --native "$BUILD" --rounds "$RUNS" --report "$REPO/docs/bench.md" \
    ${PAIRED_WIN:+--win "$PAIRED_WIN"} ${BENCH_BASE:+--base-native "$BENCH_BASE"} \
    ${BENCH_BASE_WIN:+--base-win "$BENCH_BASE_WIN"} "$BOX" "$MODERN" >/dev/null
