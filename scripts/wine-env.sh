#!/usr/bin/env bash
# Sourced: a headless Wine prefix inside the build tree (never the user's own).
# Usage: source scripts/wine-env.sh BUILD_DIR
_wine_build="${1:?build dir}"
export LC_ALL=ja_JP.UTF-8 WINEDEBUG=-all WINEARCH=win32
export WINEPREFIX="$(cd "$_wine_build" && pwd)/wineprefix"
unset DISPLAY
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "wine: creating prefix $WINEPREFIX"
    wineboot -i >/dev/null 2>&1 || true
    wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
    wineserver -w
fi
# Keep the server up for the run, warmed with stdio closed (pipes otherwise wait on it).
wineserver -p >/dev/null 2>&1 || true
wine cmd /c exit </dev/null >/dev/null 2>&1 || true
