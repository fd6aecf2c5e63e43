#!/bin/sh
# Builds the fuzz targets (CMake option TESSERA_FUZZ, clang) into build/fuzz and
# runs each for SECONDS (default 60), seeded from the shared mail corpus when it is there.
# Inputs stay within FUZZ_MAX_LEN bytes (default 8 KiB): the corpus's seeds of up to
# 1.8 MB, and inputs grown to 64 KiB, cut the rate to a fifth of this and less
# (docs/bench.md); the walker's limits on longer lines are the unit tests' to check.
# FUZZ_TARGETS picks some of the targets.
set -eu
SECONDS_EACH=${1:-60}
ROOT=$(cd "$(dirname "$0")/.." && pwd)
OUT="$ROOT/build/fuzz"
CORPUS=${TESSERA_CORPUS_DIR:-"$ROOT/../shared/corpus"}
CXX_FUZZ=${CXX_FUZZ:-$(command -v clang++ || command -v clang++-14)}
CC_FUZZ=${CC_FUZZ:-$(command -v clang || command -v clang-14)}
# The engine is built with the fuzzer's sanitizers too, so that its code is instrumented.
CC="$CC_FUZZ" CXX="$CXX_FUZZ" cmake -S "$ROOT" -B "$OUT" -DTESSERA_FUZZ=ON -DTESSERA_TESTS=OFF \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_FLAGS="-fsanitize=fuzzer-no-link,address,undefined" >/dev/null
MAX_LEN=${FUZZ_MAX_LEN:-8192}
targets=${FUZZ_TARGETS:-$(sed -n 's/^foreach(name \(.*\))$/\1/p' "$ROOT/fuzz/CMakeLists.txt")}
# shellcheck disable=SC2086
cmake --build "$OUT" -j2 --target $targets >/dev/null
status=0
for target in $targets; do
    mkdir -p "$OUT/$target.corpus"
    seeds=""
    [ -d "$CORPUS" ] && seeds="$CORPUS" || echo "$target: no corpus at $CORPUS, starting empty"
    # CPU seconds too: on a shared machine the wall-clock rate says more of the load.
    # shellcheck disable=SC2086
    /usr/bin/time -f "cpu seconds: %U %S" -o "$OUT/$target.cpu" \
        "$OUT/fuzz/$target" -max_total_time="$SECONDS_EACH" -max_len="$MAX_LEN" -rss_limit_mb=2048 \
        -artifact_prefix="$OUT/$target-" \
        -print_final_stats=1 "$OUT/$target.corpus" $seeds >"$OUT/$target.log" 2>&1 || status=1
    echo "$target:"
    grep -E "stat::number_of_executed_units|Done|ERROR|SUMMARY" "$OUT/$target.log" || true
    # The rate over the whole run, loading the seeds included.
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$OUT/$target.log")
    wall=$(sed -n 's/^Done [0-9]* runs in \([0-9]*\) second.*/\1/p' "$OUT/$target.log")
    awk -v t="$target" -v runs="${runs:-0}" -v wall="${wall:-$SECONDS_EACH}" \
        '/^cpu seconds/ { cpu = $3 + $4; if (cpu > 0) printf "%s: %d inputs, %d a second, %d a CPU second\n", t, runs, runs / wall, runs / cpu }' \
        "$OUT/$target.cpu" || true
done
exit $status
