#!/usr/bin/env bash
# Byte-identity of tessera-export with the plug-in: exports the corpus messages
# with the stored-format command of Tessera.dll in the simulated host under
# Wine, with tessera-export (same INI, --output), and with tessera-export.exe
# under Wine given Windows paths (C:\..., UNC), then compares the files.
# Usage: scripts/cli-equivalence.sh WIN_BUILD_DIR NATIVE_BUILD_DIR [CORPUS_DIR]
# Exit 0 equal, 1 different, 77 skipped (no corpus, no Wine build).
set -euo pipefail

REPO=$(cd "$(dirname "$0")/.." && pwd)
WIN=${1:?usage: cli-equivalence.sh WIN_BUILD NATIVE_BUILD [CORPUS]}
NATIVE=${2:?usage: cli-equivalence.sh WIN_BUILD NATIVE_BUILD [CORPUS]}
CORPUS=${3:-$REPO/../shared/corpus}

skip() { echo "SKIP: $*"; exit 77; }
[ -d "$WIN" ] || skip "no Wine build at $WIN"
[ -d "$NATIVE" ] || skip "no native build at $NATIVE"
WIN=$(cd "$WIN" && pwd)
NATIVE=$(cd "$NATIVE" && pwd)
[ -f "$CORPUS/INDEX.tsv" ] || skip "no corpus at $CORPUS (configure with -DTESSERA_CORPUS=DIR)"
[ -f "$WIN/bin/simhost.exe" ] && [ -f "$WIN/bin/Tessera.dll" ] || skip "no simhost.exe/Tessera.dll in $WIN/bin"
[ -f "$WIN/bin/tessera-export.exe" ] || skip "no tessera-export.exe in $WIN/bin"
[ -x "$NATIVE/tessera-export" ] || skip "no tessera-export in $NATIVE"
command -v wine >/dev/null || skip "wine is not installed"

WORK=$(mktemp -d /tmp/tessera-equiv.XXXXXX)
# Windows paths for tessera-export.exe: a folder of drive C: and a UNC share.
EXEDIR="tessera-equiv-$$"
cleanup() {
    rm -rf "${WINEPREFIX:?}/drive_c/$EXEDIR" "$WINEPREFIX/dosdevices/unc/tessera-equiv-$$"
    [ -n "${KEEP:-}" ] || rm -rf "$WORK"
}
trap cleanup EXIT
# The plug-in reads Tessera.ini beside itself: a private copy keeps the build's own untouched.
mkdir -p "$WORK/plugin"
cp "$WIN/bin/simhost.exe" "$WIN/bin/Tessera.dll" "$WORK/plugin/"
source "$REPO/scripts/wine-env.sh" "$WIN" >/dev/null
source "$REPO/scripts/plugin-ini.sh"
# Wine serves \\SERVER\SHARE from dosdevices/unc/SERVER/SHARE.
mkdir -p "$WINEPREFIX/dosdevices/unc/tessera-equiv-$$" "$WINEPREFIX/drive_c/$EXEDIR" "$WORK/share"
ln -sfn "$WORK/share" "$WINEPREFIX/dosdevices/unc/tessera-equiv-$$/share"

mapfile -t FILES < <(tail -n +2 "$CORPUS/INDEX.tsv" | cut -f1 | sed "s|^|$CORPUS/|")
WINFILES=()
for f in "${FILES[@]}"; do WINFILES+=("$(wine_path "$f")"); done

# name SAVETYPE NOATTACH SEPARATOR
run_case() {
    local name=$1 type=$2 noattach=$3 separator=$4
    local wdir="$WORK/$name.wine" ndir="$WORK/$name.cli" ini="$WORK/$name.ini"
    mkdir -p "$wdir" "$ndir"
    write_plugin_ini "$ini" "SavePath=$(wine_path "$wdir")\\" "SaveType=$type" \
        "Separator=$separator" "NoAttach=$noattach"
    cp "$ini" "$WORK/plugin/Tessera.ini"
    # A modal box in the headless prefix would wait for ever: bound the run.
    local rc=0
    (cd "$WORK/plugin" && timeout "${WINE_TIMEOUT:-300}" wine simhost.exe --plugin Tessera.dll \
        --do menu-init,stored,exit "${WINFILES[@]}" </dev/null >"$WORK/$name.wine.log" 2>&1) || rc=$?
    if [ $rc -eq 124 ]; then
        echo "$name: the plug-in did not finish within ${WINE_TIMEOUT:-300} s under Wine"
        return 1
    fi
    "$NATIVE/tessera-export" --quiet --settings "$ini" --output "$ndir/" "${FILES[@]}" \
        </dev/null >"$WORK/$name.cli.log" 2>&1 || true
    # The Windows CLI: Windows paths as a user types them, UNC for two of the cases.
    local exeout="C:\\$EXEDIR\\$name" exedir="$WINEPREFIX/drive_c/$EXEDIR/$name"
    if [ "$name" = eml ] || [ "$name" = mbox-noattach ]; then
        exeout="\\\\tessera-equiv-$$\\share\\$name" exedir="$WORK/share/$name"
    fi
    mkdir -p "$exedir"
    timeout "${WINE_TIMEOUT:-300}" wine "$WIN/bin/tessera-export.exe" --quiet --settings "$(wine_path "$ini")" \
        --output "$exeout" "${WINFILES[@]}" </dev/null >"$WORK/$name.exe.log" 2>&1 || true
    local status=0
    python3 "$REPO/tests/tools/compare_exports.py" "$wdir" "$ndir" "$name" || status=1
    python3 "$REPO/tests/tools/compare_exports.py" "$exedir" "$ndir" "$name (tessera-export.exe)" || status=1
    return $status
}


status=0
echo "corpus: ${#FILES[@]} files from $CORPUS"
run_case mbox 103 0 "" || status=1
run_case mbox-noattach 103 1 "" || status=1
run_case eml 104 0 "" || status=1
run_case separator 105 0 "-----8<-----" || status=1
# Japanese names as a Windows user has them: a Maildir and a file named in Shift-JIS.
JP="$WORK/share/メール"
mkdir -p "$JP/cur" "$JP/new"
cp "$REPO/samples/01-meeting.eml" "$JP/cur/表1"
cp "$REPO/samples/02-euc-notice.eml" "$WORK/share/日本.eml"
wine "$WIN/bin/tessera-export.exe" --quiet --format mbox --output "\\\\tessera-equiv-$$\\share\\出力.mbox" \
    "$(wine_path "$JP")" "$(wine_path "$WORK/share/日本.eml")" </dev/null >"$WORK/jp.exe.log" 2>&1 || true
"$NATIVE/tessera-export" --quiet --format mbox --output "$WORK/jp.mbox" "$JP" "$WORK/share/日本.eml" </dev/null || true
if cmp -s "$WORK/share/出力.mbox" "$WORK/jp.mbox" && [ "$(grep -c '^From ' "$WORK/jp.mbox")" = 2 ]; then
    echo "Japanese paths (tessera-export.exe): identical"
else
    echo "Japanese paths (tessera-export.exe): DIFFERENT"; status=1
fi
[ $status -eq 0 ] || echo "rerun with KEEP=1 to keep the outputs and logs in $WORK"
exit $status
