#!/usr/bin/env bash
# The release archive as a user gets it: its list of files and checksum, the
# guide in Shift-JIS with CR LF, and the DLL from it loaded by the simulated
# host under Wine, exporting the samples.
# Usage: dist_check.sh VERSION WIN_BUILD_DIR [CLI_TARGET]. Exit 77: skipped.
set -euo pipefail

REPO=$(cd "$(dirname "$0")/../.." && pwd)
VERSION=${1:?usage: dist_check.sh VERSION WIN_BUILD_DIR [CLI_TARGET]}
WIN=${2:?usage: dist_check.sh VERSION WIN_BUILD_DIR [CLI_TARGET]}
CLI_TARGET=${3:-0}

skip() { echo "SKIP: $*"; exit 77; }
[ -f "$WIN/bin/Tessera.dll" ] && [ -f "$WIN/bin/simhost.exe" ] ||
    skip "no Tessera.dll and simhost.exe in $WIN/bin"
for tool in wine zip unzip iconv; do
    command -v "$tool" >/dev/null || skip "$tool is not installed"
done
WIN=$(cd "$WIN" && pwd)

WORK=$(mktemp -d /tmp/tessera-dist-check.XXXXXX)
trap 'rm -rf "$WORK"' EXIT
bash "$REPO/scripts/dist.sh" "$VERSION" "$WIN/bin" "$WORK/dist" "$CLI_TARGET"
ARCHIVE=$WORK/dist/Tessera-$VERSION.zip

status=0
fail() { echo "FAIL: $*"; status=1; }
(cd "$WORK/dist" && sha256sum --quiet -c SHA256SUMS) || fail "SHA256SUMS does not match the archive"

expected=(LICENSE Tessera.dll Tessera.txt)
[ "$CLI_TARGET" = 1 ] || [ -f "$WIN/bin/tessera-export.exe" ] && expected+=(tessera-export.exe)
want=$( (echo "Tessera-$VERSION/"; printf "Tessera-$VERSION/%s\n" "${expected[@]}") | LC_ALL=C sort)
have=$(unzip -Z1 "$ARCHIVE" | LC_ALL=C sort)
[ "$have" = "$want" ] || fail "archive holds [$(echo $have)], expected [$(echo $want)]"

unzip -q "$ARCHIVE" -d "$WORK/unpacked"
UNPACKED=$WORK/unpacked/Tessera-$VERSION
for program in Tessera.dll tessera-export.exe; do
    [ -f "$UNPACKED/$program" ] || continue
    sections=$(i686-w64-mingw32-objdump -h "$UNPACKED/$program" | grep -c ' \.debug' || true)
    [ "$sections" -eq 0 ] || fail "$program carries $sections debug sections"
    [ -s "$WIN/bin/$program.debug" ] || fail "no debug information of $program beside the build"
done
python3 - "$UNPACKED" "$VERSION" <<'EOF' || status=1
import re, sys
folder, version = sys.argv[1:3]
ok = True
def fail(text):
    global ok
    ok = False
    print("FAIL: " + text)
def text_file(name, encoding):
    data = open("%s/%s" % (folder, name), "rb").read()
    if not data.endswith(b"\r\n") or re.search(rb"(?<!\r)\n|\r(?!\n)", data):
        fail("%s: line ends are not all CR LF" % name)
    try:
        return data.decode(encoding)
    except UnicodeDecodeError as error:
        fail("%s does not decode as %s: %s" % (name, encoding, error))
        return ""
guide = text_file("Tessera.txt", "cp932")
topics = ["Tessera バージョン " + version, "インストール", "登録形式でエクスポート",
          "ShiftJISでエクスポート", "設定ダイアログ", "UNIX mbox", "eml", "カスタム",
          "変換するもの", "そのままにするもの", "ファイルを守る", "tessera-export",
          "アンインストール", "ライセンス", "動作環境", "困ったときは", "SHA256SUMS",
          "既定値", "エクスポート中", "assumed_charset"]
for topic in topics:
    if topic not in guide:
        fail("the guide does not speak of %r" % topic)
licence = text_file("LICENSE", "ascii")
for words in ("MIT License", "the Tessera developers", "Permission is hereby granted"):
    if words not in licence:
        fail("LICENSE lacks %r" % words)
sys.exit(0 if ok else 1)
EOF

# The DLL from the archive in a plug-in folder of its own, exporting the samples.
source "$REPO/scripts/wine-env.sh" "$WIN" >/dev/null
winpath() { printf 'Z:%s' "$(printf '%s' "$1" | tr / '\\')"; }
mkdir -p "$WORK/plugin" "$WORK/out"
cp "$UNPACKED/Tessera.dll" "$WIN/bin/simhost.exe" "$WORK/plugin/"
printf '[SETTING]\r\nSavePath=%s\\\r\nSaveType=104\r\n' "$(winpath "$WORK/out")" >"$WORK/plugin/Tessera.ini"
samples=("$REPO"/samples/*.eml)
wsamples=()
for f in "${samples[@]}"; do wsamples+=("$(winpath "$f")"); done
rc=0
(cd "$WORK/plugin" && timeout 120 wine simhost.exe --plugin Tessera.dll \
    --do info,menu-init,stored,exit "${wsamples[@]}" </dev/null >"$WORK/host.log" 2>&1) || rc=$?
[ $rc -eq 0 ] || fail "the simulated host ended with status $rc"
grep -q "^info version: $VERSION" "$WORK/host.log" || fail "the DLL does not report version $VERSION"
written=$(find "$WORK/out" -name '*.eml' -size +0 | wc -l)
[ "$written" -eq "${#samples[@]}" ] || fail "$written of ${#samples[@]} samples exported"
if [ $status -ne 0 ]; then
    sed 's/^/  host: /' "$WORK/host.log" | iconv -f CP932 -t UTF-8 -c | head -20
    exit 1
fi
echo "archive: $(unzip -Z1 "$ARCHIVE" | tr '\n' ' ')- the DLL from it exported $written samples"
