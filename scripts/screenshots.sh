#!/bin/bash
# Renders the three dialogs, the progress window and the summary of a long
# export under Xvfb with a Japanese font and saves them as
# docs/screenshots/*.png. Needs the Windows build (Tessera.dll,
# DialogScreenshots_test.exe, ProgressScreenshots_test.exe) and the packages
# xvfb imagemagick x11-apps fonts-ipafont-gothic fonts-wine.
# Usage: scripts/screenshots.sh [windows-build-dir]   (default build/win)
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=$(cd "${1:-$ROOT/build/win}" && pwd)
OUT=$ROOT/docs/screenshots
SCREEN=${SHOT_DISPLAY:-:77}  # another number when :77 is taken
WIDTH=800
HEIGHT=600

export LC_ALL=ja_JP.UTF-8 WINEDEBUG=-all WINEPREFIX=$BUILD/wineprefix-x11 DISPLAY=$SCREEN

Xvfb $SCREEN -screen 0 ${WIDTH}x${HEIGHT}x24 -nolisten tcp >/dev/null 2>&1 &
XVFB=$!
WORK=$(mktemp -d)
cleanup() {
    wineserver -k 2>/dev/null || true
    kill "$XVFB" 2>/dev/null || true
    rm -rf "$WORK"
}
trap cleanup EXIT
sleep 1

# A prefix with the X11 driver (the test prefix uses the null driver).
if [ ! -d "$WINEPREFIX" ]; then
    wineboot -i >/dev/null 2>&1
    wineserver -w
    cp /usr/share/wine/fonts/marlett.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
    wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes' \
        /v 'ＭＳ Ｐゴシック' /d IPAPGothic /f >/dev/null 2>&1
    wineserver -k
fi

mkdir -p "$OUT"
export TESSERA_SHOT_DIR="Z:${WORK//\//\\}"
cd "$BUILD/bin"
wine explorer /desktop=shot,${WIDTH}x${HEIGHT} DialogScreenshots_test.exe >"$WORK/run.log" 2>&1 &
RUN=$!

capture() {
    local name=$1 left top right bottom
    for _ in $(seq 600); do
        [ -f "$WORK/$name.rect" ] && break
        sleep 0.1
    done
    [ -f "$WORK/$name.rect" ] || { echo "no $name dialog" >&2; cat "$WORK/run.log" >&2; exit 1; }
    sleep 1.5  # let it paint
    read -r left top right bottom < <(tr -d '\r' <"$WORK/$name.rect")
    local margin=8
    left=$((left > margin ? left - margin : 0))
    top=$((top > margin ? top - margin : 0))
    local w=$((right - left + margin)) h=$((bottom - top + margin))
    import -display $SCREEN -window root -crop "${w}x${h}+${left}+${top}" +repage "$OUT/$name.png"
    touch "$WORK/$name.done"
    echo "saved $OUT/$name.png (${w}x${h})"
}

capture export-format
capture settings
capture overwrite
wait "$RUN" || true
grep -E 'PASSED|FAILED|SKIPPED' "$WORK/run.log" || true

# The progress window and the summary of a long export, from the real plug-in.
wine explorer /desktop=shot,${WIDTH}x${HEIGHT} ProgressScreenshots_test.exe >"$WORK/run.log" 2>&1 &
RUN=$!
capture progress
capture summary
wait "$RUN" || true
grep -E 'PASSED|FAILED|SKIPPED' "$WORK/run.log" || true
