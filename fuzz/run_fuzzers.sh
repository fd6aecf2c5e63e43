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
SOURCES="export/LineArena.cpp export/LineList.cpp export/LineReader.cpp export/ContentType.cpp
 export/MimePart.cpp export/CalendarTime.cpp export/EnvelopeLine.cpp export/Cp932Table.cpp
 export/Utf8ToShiftJis.cpp export/TransferDecoding.cpp export/CharsetLabel.cpp export/CharsetSniffing.cpp
 export/HtmlCharsetDeclaration.cpp export/EncodedWordDecoder.cpp export/HeaderTextConversion.cpp
 export/ShiftJisConverter.cpp export/PartLabels.cpp export/TextPartConversion.cpp
 host/Iso2022JpConverter.cpp host/EucJpConverter.cpp"
TARGETS="mime_fuzzer envelope_fuzzer transfer_decoding_fuzzer utf8_fuzzer encoded_word_fuzzer
 html_charset_fuzzer part_conversion_fuzzer"
mkdir -p "$OUT/obj"
# Each source is compiled once for all targets, again when it or any header changed.
stale() {
    [ ! -f "$2" ] || [ "$ROOT/$1" -nt "$2" ] ||
        [ -n "$(find "$ROOT/export" "$ROOT/host" "$ROOT/shell" \( -name '*.h' -o -name '*.inc' \) -newer "$2" | head -n 1)" ]
}
OBJECTS=""
for source in $SOURCES; do
    object="$OUT/obj/$(echo "$source" | tr / _).o"
    if stale "$source" "$object"; then
        # shellcheck disable=SC2086
        "$CXX" $FLAGS -fsanitize=fuzzer-no-link -c "$ROOT/$source" -o "$object"
    fi
    OBJECTS="$OBJECTS $object"
done
status=0
for target in $TARGETS; do
    # shellcheck disable=SC2086
    "$CXX" $FLAGS "$ROOT/fuzz/$target.cpp" $OBJECTS -o "$OUT/$target"
    mkdir -p "$OUT/$target.corpus"
    seeds=""
    [ -d "$CORPUS" ] && seeds="$CORPUS" || echo "$target: no corpus at $CORPUS, starting empty"
    # shellcheck disable=SC2086
    "$OUT/$target" -max_total_time="$SECONDS_EACH" -max_len=1048576 -rss_limit_mb=2048 \
        -artifact_prefix="$OUT/$target-" \
        -print_final_stats=1 "$OUT/$target.corpus" $seeds >"$OUT/$target.log" 2>&1 || status=1
    echo "$target:"
    grep -E "stat::number_of_executed_units|Done|ERROR|SUMMARY" "$OUT/$target.log" || true
done
exit $status
