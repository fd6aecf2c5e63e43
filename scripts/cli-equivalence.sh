#!/usr/bin/env bash
# Byte-identity of tessera-export with the plug-in: exports the corpus messages
# with the stored-format command of Tessera.dll in the simulated host under
# Wine, and with tessera-export (same INI, --output), then compares the files.
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
[ -f "$CORPUS/INDEX.tsv" ] || skip "no corpus at $CORPUS"
[ -f "$WIN/bin/simhost.exe" ] && [ -f "$WIN/bin/Tessera.dll" ] || skip "no simhost.exe/Tessera.dll in $WIN/bin"
[ -x "$NATIVE/tessera-export" ] || skip "no tessera-export in $NATIVE"
command -v wine >/dev/null || skip "wine is not installed"

WORK=$(mktemp -d /tmp/tessera-equiv.XXXXXX)
[ -n "${KEEP:-}" ] || trap 'rm -rf "$WORK"' EXIT
# The plug-in reads Tessera.ini beside itself: a private copy keeps the build's own untouched.
mkdir -p "$WORK/plugin"
cp "$WIN/bin/simhost.exe" "$WIN/bin/Tessera.dll" "$WORK/plugin/"
source "$REPO/scripts/wine-env.sh" "$WIN" >/dev/null

winpath() { printf 'Z:%s' "$(printf '%s' "$1" | tr / '\\')"; }

mapfile -t FILES < <(tail -n +2 "$CORPUS/INDEX.tsv" | cut -f1 | sed "s|^|$CORPUS/|")
WINFILES=()
for f in "${FILES[@]}"; do WINFILES+=("$(winpath "$f")"); done

# name SAVETYPE NOATTACH SEPARATOR
run_case() {
    local name=$1 type=$2 noattach=$3 separator=$4
    local wdir="$WORK/$name.wine" ndir="$WORK/$name.cli" ini="$WORK/$name.ini"
    mkdir -p "$wdir" "$ndir"
    printf '[SETTING]\r\nSavePath=%s\\\r\nSaveType=%s\r\nSeparator=%s\r\nNoAttach=%s\r\n' \
        "$(winpath "$wdir")" "$type" "$separator" "$noattach" > "$ini"
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
    python3 - "$wdir" "$ndir" "$name" <<'EOF'
import datetime, os, re, sys
wine_dir, cli_dir, name = sys.argv[1:4]
# Wine stores the plug-in's Shift-JIS names as UTF-8 on disk; the CLI keeps the bytes.
def wine_key(name):
    # Wine keeps the plug-in's Shift-JIS names as UTF-8 on disk; back to the bytes.
    try:
        return os.fsencode(name).decode("utf-8").encode("cp932")
    except (UnicodeDecodeError, UnicodeEncodeError):
        return None

def wine_can_store(raw):
    # Bytes that are not valid Shift-JIS, or whose UTF-8 form is too long for
    # the file system, cannot reach the disk under their own name under Wine.
    try:
        return len(raw.decode("cp932").encode("utf-8")) <= 255
    except UnicodeDecodeError:
        return False

wine = {}
wine_unmapped = []
for n in os.listdir(wine_dir):
    key = wine_key(n)
    if key is None:
        wine_unmapped.append(n)
    else:
        wine[key] = n
cli = {os.fsencode(n): n for n in os.listdir(cli_dir)}
envelope = re.compile(rb"^From (\S+) (\w{3} \w{3} \d\d \d\d:\d\d:\d\d \d{4})\r\n$")
now = datetime.datetime.now()

def export_time(stamp):
    """True for an envelope date that is the time of the export (no readable Date)."""
    try:
        when = datetime.datetime.strptime(stamp.decode(), "%a %b %d %H:%M:%S %Y")
    except ValueError:
        return False
    return abs((when - now).total_seconds()) < 2 * 86400

def compare(a, b):
    la, lb = a.splitlines(keepends=True), b.splitlines(keepends=True)
    if len(la) != len(lb):
        return "line count %d vs %d" % (len(la), len(lb)), 0
    excepted = 0
    for i, (x, y) in enumerate(zip(la, lb)):
        if x == y:
            continue
        mx, my = envelope.match(x), envelope.match(y)
        if mx and my and mx.group(1) == my.group(1) and export_time(mx.group(2)) and export_time(my.group(2)):
            excepted += 1
            continue
        return "line %d: %r vs %r" % (i + 1, x[:80], y[:80]), excepted
    return None, excepted

failures = []
files = bytes_total = excepted_total = renamed = unstorable = 0
def read(folder, name):
    with open(os.path.join(folder, name), "rb") as f:
        return f.read()
for key in sorted(set(wine) & set(cli)):
    a, b = read(wine_dir, wine[key]), read(cli_dir, cli[key])
    files += 1
    bytes_total += len(a)
    problem, excepted = compare(a, b)
    excepted_total += excepted
    if problem:
        failures.append("%r: %s" % (key, problem))
# Names Wine had to substitute, and names cut shorter to fit the plug-in's longer
# folder path within the Windows path limit: matched with the CLI's file of the
# same content.
cli_left = {k: read(cli_dir, cli[k]) for k in set(cli) - set(wine)}
wine_left = [(wine[k], k) for k in set(wine) - set(cli)] + [(n, None) for n in wine_unmapped]

def counterpart(key, data):
    for k, v in cli_left.items():
        cut = key is not None and k[:-4].startswith(key[:-4])
        if v == data and (cut or not wine_can_store(k)):
            return k, cut
    return None, False

cut_names = 0
for n, key in wine_left:
    data = read(wine_dir, n)
    match, cut = counterpart(key, data)
    if match is None:
        failures.append("plug-in file %r has no CLI counterpart" % n)
        continue
    del cli_left[match]
    files += 1
    renamed += 0 if cut else 1
    cut_names += 1 if cut else 0
    bytes_total += len(data)
for k in cli_left:
    if wine_can_store(k):
        failures.append("CLI file %r has no plug-in counterpart" % k)
    else:
        unstorable += 1
if files == 0:
    failures.append("no output files to compare")
print("%s: %d file(s), %d bytes, %d export-time envelope line(s) excepted, "
      "%d name(s) substituted by Wine, %d cut to the path limit, %d name(s) Wine cannot store: %s" %
      (name, files, bytes_total, excepted_total, renamed, cut_names, unstorable,
       "DIFFERENT" if failures else "identical"))
for failure in failures[:10]:
    print("  " + failure)
sys.exit(1 if failures else 0)
EOF
}

status=0
echo "corpus: ${#FILES[@]} files from $CORPUS"
run_case mbox 103 0 "" || status=1
run_case mbox-noattach 103 1 "" || status=1
run_case eml 104 0 "" || status=1
run_case separator 105 0 "-----8<-----" || status=1
[ $status -eq 0 ] || echo "rerun with KEEP=1 to keep the outputs and logs in $WORK"
exit $status
