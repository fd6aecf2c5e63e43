#!/usr/bin/env bash
# Makes the release archive OUT_DIR/Tessera-VERSION.zip and OUT_DIR/SHA256SUMS:
# Tessera.dll, tessera-export.exe, the Japanese user guide Tessera.txt
# (Shift-JIS, CR LF; kept as UTF-8 in docs/guide/Tessera.ja.txt) and LICENSE,
# all in one folder Tessera-VERSION/. The programs go in stripped; their debug
# information stays beside the build as WIN_BIN_DIR/NAME.debug, which the
# stripped files name (a debugger finds it there).
# Usage: scripts/dist.sh VERSION WIN_BIN_DIR OUT_DIR [CLI_TARGET]
#   CLI_TARGET 1: the build defines the Windows command-line exporter, so
#   tessera-export.exe must be in WIN_BIN_DIR; 0: it is left out when absent.
set -euo pipefail

REPO=$(cd "$(dirname "$0")/.." && pwd)
VERSION=${1:?usage: dist.sh VERSION WIN_BIN_DIR OUT_DIR [CLI_TARGET]}
BIN=${2:?usage: dist.sh VERSION WIN_BIN_DIR OUT_DIR [CLI_TARGET]}
OUT=${3:?usage: dist.sh VERSION WIN_BIN_DIR OUT_DIR [CLI_TARGET]}
CLI_TARGET=${4:-0}
ARCHIVE=Tessera-$VERSION.zip

fail() { echo "dist: $*" >&2; exit 1; }
command -v zip >/dev/null || fail "zip is not installed (make setup)"
OBJCOPY=i686-w64-mingw32-objcopy
command -v $OBJCOPY >/dev/null || fail "$OBJCOPY is not installed (make setup)"
[ -f "$BIN/Tessera.dll" ] || fail "no Tessera.dll in $BIN: build the Windows tree first"

files=(Tessera.dll)
if [ -f "$BIN/tessera-export.exe" ]; then
    files+=(tessera-export.exe)
elif [ "$CLI_TARGET" = 1 ]; then
    fail "tessera-export.exe is missing from $BIN although the build defines it"
else
    echo "dist: note: this build has no Windows command-line exporter;" \
         "$ARCHIVE is made without tessera-export.exe"
fi
files+=(Tessera.txt LICENSE)

STAGE=$(mktemp -d /tmp/tessera-dist.XXXXXX)
trap 'rm -rf "$STAGE"' EXIT
TOP=Tessera-$VERSION
mkdir -p "$STAGE/files/$TOP"
for f in Tessera.dll tessera-export.exe; do
    [ -f "$BIN/$f" ] || continue
    $OBJCOPY --only-keep-debug "$BIN/$f" "$BIN/$f.debug"
    $OBJCOPY --strip-all --add-gnu-debuglink="$BIN/$f.debug" "$BIN/$f" "$STAGE/files/$TOP/$f"
done
# Windows users read the texts in Notepad: CR LF, and the guide in Shift-JIS.
sed "s/@VERSION@/$VERSION/g" "$REPO/docs/guide/Tessera.ja.txt" |
    iconv -f UTF-8 -t CP932 | LC_ALL=C sed 's/$/\r/' >"$STAGE/files/$TOP/Tessera.txt" ||
    fail "the guide does not convert to Shift-JIS"
LC_ALL=C sed 's/$/\r/' "$REPO/LICENSE" >"$STAGE/files/$TOP/LICENSE"

# The same sources give the same archive: fixed times, no extra attributes.
EPOCH=${SOURCE_DATE_EPOCH:-$(git -C "$REPO" log -1 --format=%ct 2>/dev/null || date +%s)}
touch -d "@$EPOCH" "$STAGE/files/$TOP" "${files[@]/#/$STAGE/files/$TOP/}"
(cd "$STAGE/files" && TZ=UTC zip -q -X "$STAGE/$ARCHIVE" "$TOP/" "${files[@]/#/$TOP/}")

# Complete files only in OUT: written beside, then renamed over.
mkdir -p "$OUT"
cp "$STAGE/$ARCHIVE" "$OUT/.$ARCHIVE.tmp"
mv -f "$OUT/.$ARCHIVE.tmp" "$OUT/$ARCHIVE"
(cd "$OUT" && sha256sum "$ARCHIVE" >.SHA256SUMS.tmp && mv -f .SHA256SUMS.tmp SHA256SUMS)
echo "dist: $OUT/$ARCHIVE ($(stat -c %s "$OUT/$ARCHIVE") bytes): ${files[*]}"
