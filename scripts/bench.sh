#!/usr/bin/env bash
# Whole-process benchmarks of tessera-export beside nkf, a Python exporter, cat
# and the plug-in under Wine, on a generated mbox of Japanese mail.
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
[ -f "$BOX" ] || python3 "$REPO/bench/make_bench_mbox.py" --messages 2000 --size-mb 100 "$BOX"
[ -f "$SMALL" ] || python3 "$REPO/bench/make_bench_mbox.py" --messages 200 --size-mb 10 "$SMALL"

OUT=$(mktemp -d "$REPO/build/bench-out.XXXXXX")
trap 'rm -rf "$OUT"' EXIT
RESULTS="$OUT/results.tsv"
: > "$RESULTS"
cat "$BOX" "$SMALL" > /dev/null  # the page cache holds both for every contender

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
measure "tessera-export --format mbox (200 messages)" "$SMALL" \
    "$EXPORT" --quiet --format mbox --output "$T/out.txt" "$SMALL"
measure "nkf -s" "$BOX" sh -c 'exec nkf -s < "$0" > "$1"' "$BOX" "$T/out.txt"
measure "python3 bench/py_export.py" "$BOX" python3 "$REPO/bench/py_export.py" "$BOX" "$T/out.txt"
measure "cat" "$BOX" sh -c 'exec cat "$0" > "$1"' "$BOX" "$T/out.txt"

WINE_NOTE="not measured (no $WIN/bin/simhost.exe and Tessera.dll, or no wine)"
if [ -f "$WIN/bin/simhost.exe" ] && [ -f "$WIN/bin/Tessera.dll" ] && command -v wine >/dev/null; then
    mkdir -p "$OUT/plugin"
    cp "$WIN/bin/simhost.exe" "$WIN/bin/Tessera.dll" "$OUT/plugin/"
    source "$REPO/scripts/wine-env.sh" "$WIN" >/dev/null
    winbox="Z:$(printf '%s' "$BOX" | tr / '\\')"
    printf '[SETTING]\r\nSavePath=Z:%s\\\r\nSaveType=103\r\n' "$(printf '%s' "$T" | tr / '\\')" \
        > "$OUT/plugin/Tessera.ini"
    # The INI is rewritten on exit with the same values; the empty run is Wine's start-up.
    measure "plug-in under Wine (empty run)" "$BOX" \
        sh -c 'cd "$0" && exec wine simhost.exe --plugin Tessera.dll --do menu-init,stored,exit' "$OUT/plugin"
    measure "plug-in under Wine, stored mbox" "$BOX" \
        sh -c 'cd "$0" && exec wine simhost.exe --plugin Tessera.dll --do menu-init,stored,exit "$1"' \
        "$OUT/plugin" "$winbox"
    WINE_NOTE="measured; the MB/s column subtracts the median of the empty run (Wine start-up)"
fi

python3 - "$RESULTS" "$REPO/docs/bench.md" "$RUNS" "$WINE_NOTE" "$BOX" "$SMALL" <<'EOF'
import collections, datetime, os, platform, statistics, subprocess, sys
results, target, runs, wine_note, box, small = sys.argv[1:7]
rows = collections.OrderedDict()
for line in open(results):
    name, size, ns, rss = line.rstrip("\n").split("\t")
    rows.setdefault(name, []).append((int(size), int(ns) / 1e9, int(rss)))

def median_time(name):
    return statistics.median(t for _, t, _ in rows[name]) if name in rows else None

empty = median_time("plug-in under Wine (empty run)") or 0.0
def rate(name):
    size = rows[name][0][0]
    t = median_time(name) - (empty if name == "plug-in under Wine, stored mbox" else 0.0)
    return size / 1e6 / t if t > 0 else float("inf")

nkf, cat = rate("nkf -s"), rate("cat")
lines = []
lines.append("| command | input MB | median s | spread s (min-max) | MB/s | x nkf | / cat | peak RSS MB |")
lines.append("|---|---:|---:|---:|---:|---:|---:|---:|")
for name, samples in rows.items():
    times = [t for _, t, _ in samples]
    size = samples[0][0] / 1e6
    peak = max(r for _, _, r in samples) / 1024
    r = rate(name)
    speed = ("- | - | -" if name == "plug-in under Wine (empty run)" else
             "%.1f | %.2f | %.3f" % (r, r / nkf, r / cat))
    lines.append("| %s | %.1f | %.3f | %.3f-%.3f | %s | %.1f |" % (
        name, size, statistics.median(times), min(times), max(times), speed, peak))

def largest_message(path):
    largest = current = 0
    with open(path, "rb") as f:
        for line in f:
            if line.startswith(b"From "):
                largest, current = max(largest, current), 0
            current += len(line)
    return max(largest, current)

big = largest_message(box)
main = "tessera-export --format mbox"
t_big, t_small = median_time(main), median_time("tessera-export --format mbox (200 messages)")
peak = max(r for _, _, r in rows[main]) / 1024
checks = [
    ("tessera-export --format mbox >= 200 MB/s", rate(main) >= 200, "%.1f MB/s" % rate(main)),
    ("... >= 8 x nkf", rate(main) >= 8 * nkf, "%.2f x" % (rate(main) / nkf)),
    ("... >= cat / 5", rate(main) >= cat / 5, "%.3f of cat" % (rate(main) / cat)),
    ("peak RSS < 64 MB + 2 x largest message", peak < 64 + 2 * big / 2**20,
     "%.1f MB (limit %.1f MB)" % (peak, 64 + 2 * big / 2**20)),
    ("10x messages <= 10.5x time", t_big <= 10.5 * t_small, "%.2f x" % (t_big / t_small)),
]
cpu = "unknown"
for line in open("/proc/cpuinfo"):
    if line.startswith("model name"):
        cpu = line.split(":", 1)[1].strip()
        break
text = ["# Export benchmarks", "",
        "Measured by `scripts/bench.sh` (`make bench`) on %s, %s, %d CPU(s), %s runs each." % (
            datetime.date.today().isoformat(), cpu, os.cpu_count(), runs),
        "Whole-process wall time and peak resident memory (`/usr/bin/time`), input in the page cache.",
        "Input: `build/bench-corpus/bench.mbox`, generated by `bench/make_bench_mbox.py` "
        "(Japanese mail, ISO-2022-JP and EUC-JP text, one message in three with a base64 "
        "attachment; largest message %.2f MB)." % (big / 1e6),
        "Plug-in under Wine: %s." % wine_note, ""] + lines + ["", "| target | met | measured |",
        "|---|---|---|"] + ["| %s | %s | %s |" % (n, "yes" if ok else "NO", v) for n, ok, v in checks]
open(target, "w").write("\n".join(text) + "\n")
print("\n".join(text))
EOF

# What the plug-in's progress window costs (a section of its own).
if [ -f "$WIN/bin/simhost.exe" ] && [ -f "$WIN/bin/Tessera.dll" ] && command -v wine >/dev/null; then
    printf '\n' >> "$REPO/docs/bench.md"
    bash "$REPO/scripts/bench-progress.sh" "$WIN" "$BOX" >> "$REPO/docs/bench.md"
fi
