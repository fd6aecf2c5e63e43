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

WORK=$(mktemp -d "$REPO/build/bench-progress.XXXXXX")
trap 'rm -rf "$WORK"' EXIT
mkdir -p "$WORK/plugin" "$WORK/out"
cp "$WIN/bin/simhost.exe" "$WIN/bin/Tessera.dll" "$WORK/plugin/"
winpath() { printf 'Z:%s' "$1" | tr / '\\'; }

# A message of 40 MB of ISO-2022-JP lines, three times: the window shows during the first.
BIG="$WORK/big.eml"
python3 - "$BIG" <<'EOF'
import random, sys
rng, words = random.Random(1), "会議 資料 確認 予定 連絡 お願い 本日 明日 来週 担当 報告 見積".split()
head = (b"From: a@example.jp\r\nSubject: big\r\nDate: Sat, 07 Dec 2024 12:00:00 +0900\r\n"
        b"Content-Type: text/plain; charset=ISO-2022-JP\r\n\r\n")
with open(sys.argv[1], "wb") as f:
    f.write(head)
    size = 0
    while size < 40_000_000:
        line = ("".join(rng.choice(words) for _ in range(8)) + "。").encode("iso2022_jp") + b"\r\n"
        f.write(line)
        size += len(line)
EOF

# export SAVETYPE DELAY_MS INPUT...: one stored-format export; prints simhost's output, in
# which "command time" runs from the command's start to its first message box (the report).
export_once() {
    local type=$1 delay=$2
    shift 2
    rm -rf "$WORK/out" && mkdir -p "$WORK/out"
    printf '[SETTING]\r\nSavePath=%s\\\r\nSaveType=%s\r\n' "$(winpath "$WORK/out")" "$type" \
        > "$WORK/plugin/Tessera.ini"
    (cd "$WORK/plugin" && TESSERA_PROGRESS_DELAY_MS=$delay \
        wine simhost.exe --plugin Tessera.dll --time --do menu-init,stored,exit "$@" </dev/null 2>&1 |
        iconv -f CP932 -t UTF-8 | tr -d '\r')
}

RESULTS="$WORK/results.tsv"
: > "$RESULTS"
command_ms() { sed -n 's/^command time: \([0-9.]*\) ms$/\1/p'; }
corpus=$(winpath "$BOX")
for type in 103 104; do
    for ((i = 0; i < RUNS; i++)); do
        # Interleaved, so that a change in the machine's load touches all alike.
        for mode in never default shown; do
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
big=$(winpath "$BIG")
for type in 103 104; do
    answer=$(export_once $type 500 --probe-window "$big" "$big" "$big" |
        sed -n 's/^progress window: answered within \([0-9]*\) ms$/\1/p')
    printf '%s\tanswer\t%s\n' $type "${answer:-none}" >> "$RESULTS"
done

python3 - "$RESULTS" "$RUNS" <<'EOF'
import collections, statistics, sys
rows = collections.defaultdict(list)
for line in open(sys.argv[1]):
    save_type, mode, value = line.split()
    rows[(save_type, mode)].append(value)
ms = lambda k: [float(v) for v in rows[k]]
print("## The progress window under Wine\n")
print("Measured by `scripts/bench-progress.sh` (from `scripts/bench.sh`), %s rounds: in each "
      "the plug-in in the simulated host exports the bench corpus (stored format) with the "
      "progress window never shown, shown after half a second as shipped, and shown from the "
      "first message (`TESSERA_PROGRESS_DELAY_MS`). The time is the export's, from the "
      "command's start to the progress window closing (`simhost --time`): neither Wine's "
      "start-up nor the summary box that follows. The cost is the median of the differences "
      "within a round, so that the load of the other processes on the machine, which comes "
      "and goes, weighs little.\n" % sys.argv[2])
print("| save type | never shown ms (median) | after 0.5 s: cost | shown throughout: cost | "
      "target <= 2% |")
print("|---|---:|---:|---:|---|")
for t in ("103", "104"):
    never = ms((t, "never"))
    base = statistics.median(never)
    def cost(mode):
        diffs = [x - n for x, n in zip(ms((t, mode)), never)]
        return statistics.median(diffs) / base * 100, statistics.median(diffs)
    (cd, md), (cs, msh) = cost("default"), cost("shown")
    print("| %s | %.0f | %+.1f%% (%+.0f ms) | %+.1f%% (%+.0f ms) | %s |"
          % (t, base, cd, md, cs, msh, "met" if max(cd, cs) <= 2 else "NOT met"))
print("\nCreating and first drawing the window is a cost paid once per export; it is most of "
      "the last column on the half-second mbox export, which as shipped ends before a window "
      "would be worth showing (the column before).")
print("\nWhile three 40 MB messages are exported (ISO-2022-JP text, 920,000 lines each), the "
      "window answers a sent message within %s ms (mbox) and %s ms (.eml) at worst, the host's "
      "own fetch of each source included."
      % (rows[("103", "answer")][0], rows[("104", "answer")][0]))
EOF
