#!/bin/sh
# Builds the libFuzzer targets with clang into build/fuzz and runs each for
# SECONDS (default 60), seeded from the shared mail corpus when it is there.
set -eu
SECONDS_EACH=${1:-60}
ROOT=$(cd "$(dirname "$0")/.." && pwd)
OUT="$ROOT/build/fuzz"
CORPUS=${TESSERA_CORPUS_DIR:-"$ROOT/../shared/corpus"}
CXX=${CXX_FUZZ:-$(command -v clang++ || command -v clang++-14)}
FLAGS="-std=c++17 -O1 -g -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all -I$ROOT"
SOURCES="$ROOT/export/LineArena.cpp $ROOT/export/LineList.cpp $ROOT/export/LineReader.cpp $ROOT/export/ContentType.cpp
 $ROOT/export/MimePart.cpp $ROOT/export/CalendarTime.cpp $ROOT/export/EnvelopeLine.cpp
 $ROOT/export/TextSink.cpp $ROOT/export/AttachmentRule.cpp"
mkdir -p "$OUT"
status=0
for target in mime_fuzzer envelope_fuzzer; do
    # shellcheck disable=SC2086
    "$CXX" $FLAGS "$ROOT/fuzz/$target.cpp" $SOURCES -o "$OUT/$target"
    mkdir -p "$OUT/$target.corpus"
    seeds=""
    [ -d "$CORPUS" ] && seeds="$CORPUS" || echo "$target: no corpus at $CORPUS, starting empty"
    # shellcheck disable=SC2086
    "$OUT/$target" -max_total_time="$SECONDS_EACH" -max_len=1048576 -rss_limit_mb=2048 \
        -print_final_stats=1 "$OUT/$target.corpus" $seeds >"$OUT/$target.log" 2>&1 || status=1
    grep -E "stat::number_of_executed_units|Done|ERROR|SUMMARY" "$OUT/$target.log" || true
done
exit $status
