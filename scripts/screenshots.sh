#!/bin/bash
# Renders the three dialogs, the progress window and the summary of a long
# export under Xvfb with a Japanese font and saves them as
# docs/screenshots/*.png. Needs the Windows build (Tessera.dll,
# dialog-screenshots.exe, progress-screenshots.exe) and the packages
# xvfb imagemagick x11-apps fonts-ipafont-gothic fonts-wine.
# Usage: scripts/screenshots.sh [windows-build-dir]   (default build/win)
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=$(cd "${1:-$ROOT/build/win}" && pwd)
OUT=$ROOT/docs/screenshots
WIDTH=800
HEIGHT=600

# A fixed folder: the summary shows the export's folder, and the pictures should
# come out the same on every run (one run at a time).
WORK=/tmp/tessera-screenshots
rm -rf "$WORK" && mkdir -p "$WORK"
XVFB=
unset WINEPREFIX  # the build tree's own, from wine-env.sh below
cleanup() {
    [ -z "${WINEPREFIX:-}" ] || wineserver -k 2>/dev/null || true
    [ -z "$XVFB" ] || kill "$XVFB" 2>/dev/null || true
    rm -rf "$WORK"
}
trap cleanup EXIT
# A free display number, so that runs beside other X servers do not collide.
Xvfb -displayfd 3 -screen 0 ${WIDTH}x${HEIGHT}x24 -nolisten tcp 3>"$WORK/display" >/dev/null 2>&1 &
XVFB=$!
for _ in $(seq 100); do
    [ -s "$WORK/display" ] && break
    sleep 0.1
done
[ -s "$WORK/display" ] || { echo "Xvfb did not start" >&2; exit 1; }
SCREEN=":$(cat "$WORK/display")"
source "$ROOT/scripts/wine-env.sh" "$BUILD" "$SCREEN"
source "$ROOT/scripts/plugin-ini.sh"

mkdir -p "$OUT"
cd "$BUILD/bin"
wine explorer /desktop=shot,${WIDTH}x${HEIGHT} dialog-screenshots.exe "$(wine_path "$WORK")" \
    >"$WORK/run.log" 2>&1 &
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
    import -display "$SCREEN" -window root -crop "${w}x${h}+${left}+${top}" +repage "$OUT/$name.png"
    touch "$WORK/$name.done"
    echo "saved $OUT/$name.png (${w}x${h})"
}

capture export-format
capture settings
capture overwrite
capture overwrite-long
wait "$RUN" || true  # the virtual desktop's exit code is not the program's

# The progress window and the summary of a long export, from the real plug-in.
wine explorer /desktop=shot,${WIDTH}x${HEIGHT} progress-screenshots.exe "$(wine_path "$WORK")" \
    "$(wine_path "$ROOT/samples")" >"$WORK/run.log" 2>&1 &
RUN=$!
capture progress
capture summary
wait "$RUN" || true
