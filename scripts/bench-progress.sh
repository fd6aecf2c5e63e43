#!/usr/bin/env bash
# What the progress window costs: the plug-in under Wine exports the bench
# corpus with the window never shown, shown after half a second and shown
# from the first message, in rounds, timed by the simulated host (the cost is
# the median difference within a round); and how soon the window answers
# while very large messages are exported. Prints a Markdown section
# (scripts/bench.sh appends it to docs/bench.md).
# Usage: scripts/bench-progress.sh WIN_BUILD_DIR CORPUS_MBOX   (BENCH_RUNS=N, default 9)
set -euo pipefail

REPO=$(cd "$(dirname "$0")/.." && pwd)
WIN=$(cd "${1:?usage: scripts/bench-progress.sh WIN_BUILD_DIR CORPUS_MBOX}" && pwd)
BOX=$(cd "$(dirname "${2:?corpus mbox}")" && pwd)/$(basename "$2")
RUNS=${BENCH_RUNS:-9}
[ -f "$WIN/bin/simhost.exe" ] && [ -f "$WIN/bin/Tessera.dll" ] || { echo "bench-progress: build $WIN first" >&2; exit 1; }
source "$REPO/scripts/wine-env.sh" "$WIN" >/dev/null
source "$REPO/scripts/plugin-ini.sh"

WORK=$(mktemp -d "$REPO/build/bench-progress.XXXXXX")
trap 'rm -rf "$WORK"' EXIT
mkdir -p "$WORK/plugin" "$WORK/out"
cp "$WIN/bin/simhost.exe" "$WIN/bin/Tessera.dll" "$WORK/plugin/"

# A message of 40 MB of ISO-2022-JP lines, three times: the window shows during the first.
BIG="$WORK/big.eml"
python3 "$REPO/bench/make_big_jis_message.py" "$BIG"

# export SAVETYPE DELAY_MS INPUT...: one stored-format export; prints simhost's output, in
# which "command time" runs from the command's start to its first message box (the report).
export_once() {
    local type=$1 delay=$2
    shift 2
    rm -rf "$WORK/out" && mkdir -p "$WORK/out"
    write_plugin_ini "$WORK/plugin/Tessera.ini" "SavePath=$(wine_path "$WORK/out")\\" "SaveType=$type"
    (cd "$WORK/plugin" && TESSERA_PROGRESS_DELAY_MS=$delay \
        wine simhost.exe --plugin Tessera.dll --time --do menu-init,stored,exit "$@" </dev/null 2>&1 |
        iconv -f CP932 -t UTF-8 | tr -d '\r')
}

RESULTS="$WORK/results.tsv"
: > "$RESULTS"
command_ms() { sed -n 's/^command time: \([0-9.]*\) ms$/\1/p'; }
corpus=$(wine_path "$BOX")
for type in 103 104; do
    for ((i = 0; i < RUNS; i++)); do
        # Interleaved, so that a change in the machine's load touches all alike,
        # and in turn reversed, so that no mode always runs first.
        modes="never default shown"
        ((i % 2)) && modes="shown default never"
        for mode in $modes; do
            case $mode in
                never) delay=4000000000 ;;
                default) delay=500 ;;
                shown) delay=0 ;;
            esac
            run=$(export_once $type "$delay" "$corpus")
            if [ $mode = shown ] && ! grep -q '^progress window: shown' <<<"$run"; then
                echo "bench-progress: no window" >&2; exit 1
            fi
            printf '%s\t%s\t%s\n' $type $mode "$(command_ms <<<"$run")" >> "$RESULTS"
        done
    done
    echo "bench-progress: $type done" >&2
done
big=$(wine_path "$BIG")
for type in 103 104; do
    run=$(export_once $type 500 --probe-window "$big" "$big" "$big")
    answer=$(sed -n 's/^progress window: answered within \([0-9]*\) ms$/\1/p' <<<"$run")
    fetch=$(sed -n 's/^host fetch: longest \([0-9]*\) ms$/\1/p' <<<"$run")
    printf '%s\tanswer\t%s\n' $type "${answer:-none}" >> "$RESULTS"
    printf '%s\tfetch\t%s\n' $type "${fetch:-none}" >> "$RESULTS"
done

python3 "$REPO/bench/progress_report.py" "$RESULTS" "$RUNS"
