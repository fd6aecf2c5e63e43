#!/usr/bin/env bash
# Sourced: the one Wine prefix recipe, a prefix inside the build tree (never the
# user's own) under a Japanese locale, so that Wine runs with code page 932.
# Usage: source scripts/wine-env.sh BUILD_DIR            headless (null graphics driver)
#        source scripts/wine-env.sh BUILD_DIR DISPLAY    drawn on that X display
_wine_build="$(cd "${1:?build dir}" && pwd)"
export LC_ALL=ja_JP.UTF-8 WINEDEBUG=-all WINEARCH=win32
if [ -n "${2:-}" ]; then
    export WINEPREFIX="$_wine_build/wineprefix-x11" DISPLAY="$2"
else
    export WINEPREFIX="$_wine_build/wineprefix"
    unset DISPLAY
fi
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "wine: creating prefix $WINEPREFIX"
    wineboot -i >/dev/null 2>&1 || true
    if [ -n "${DISPLAY:-}" ]; then
        # Caption buttons, and a proportional Japanese font for the dialogs' own.
        cp /usr/share/wine/fonts/marlett.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
        wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes' \
            /v 'ＭＳ Ｐゴシック' /d IPAPGothic /f >/dev/null 2>&1
    else
        wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
    fi
    # Without a fresh server the first dialog fails to open.
    wineserver -w
fi
# Keep the server up for the run, warmed with stdio closed (pipes otherwise wait on it).
wineserver -p >/dev/null 2>&1 || true
wine cmd /c exit </dev/null >/dev/null 2>&1 || true
