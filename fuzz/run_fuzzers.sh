#!/bin/sh
# Builds the fuzz targets (CMake option TESSERA_FUZZ, clang) into build/fuzz and
# runs each for SECONDS (default 60), seeded from the shared mail corpus when it is there.
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
targets=$(sed -n 's/^foreach(name \(.*\))$/\1/p' "$ROOT/fuzz/CMakeLists.txt")
# shellcheck disable=SC2086
cmake --build "$OUT" -j2 --target $targets >/dev/null
status=0
for target in $targets; do
    mkdir -p "$OUT/$target.corpus"
    seeds=""
    [ -d "$CORPUS" ] && seeds="$CORPUS" || echo "$target: no corpus at $CORPUS, starting empty"
    # shellcheck disable=SC2086
    "$OUT/fuzz/$target" -max_total_time="$SECONDS_EACH" -max_len=1048576 -rss_limit_mb=2048 \
        -print_final_stats=1 "$OUT/$target.corpus" $seeds >"$OUT/$target.log" 2>&1 || status=1
    grep -E "stat::number_of_executed_units|Done|ERROR|SUMMARY" "$OUT/$target.log" || true
done
exit $status
