#!/usr/bin/env bash
# The man page renders without a warning and names every option of --help.
# Usage: man_page_check.sh TESSERA_EXPORT MAN_PAGE [ja]. Exit 77: no groff or man.
# ja: the Japanese page, under a Japanese locale; Japanese has no spaces to
# break at, so troff's "can't break line" is no fault there.
set -euo pipefail
binary=${1:?usage: man_page_check.sh TESSERA_EXPORT MAN_PAGE}
page=${2:?usage: man_page_check.sh TESSERA_EXPORT MAN_PAGE}
for tool in groff man; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
export LC_ALL=C.UTF-8 MANWIDTH=80 MANPAGER=cat PAGER=cat
exit_heading='EXIT STATUS'
device=(-Tascii)
if [ "${3:-}" = ja ]; then
    export LC_ALL=ja_JP.UTF-8
    exit_heading='終了コード'
    device=(-Kutf8 -Tutf8)
fi
unbreakable() { if [ "${3:-}" = ja ]; then grep -v "can't break line" || true; else cat; fi; }

status=0
warnings=$(groff "${device[@]}" -man -ww -z "$page" 2>&1 | unbreakable "$@")
if [ -n "$warnings" ]; then echo "groff warns:"; echo "$warnings"; status=1; fi
rendered=$(man --warnings -l "$page" 2>&1 >/dev/null | unbreakable "$@")
if [ -n "$rendered" ]; then echo "man -l warns:"; echo "$rendered"; status=1; fi
man -l "$page" 2>/dev/null | grep -q "^$exit_heading" || { echo "man -l shows no $exit_heading"; status=1; }

# One long line per paragraph and no hyphenation, so that no option is broken.
text=$(groff "${device[@]}" -man -P-cbu -rLL=250n -rHY=0 "$page")
options=$("$binary" --help | grep -oE -- '--[a-z][a-z-]*' | sort -u)
[ -n "$options" ] || { echo "--help names no option"; exit 1; }
for option in $options; do
    grep -qF -- "$option" <<<"$text" || { echo "--help names $option, the man page does not"; status=1; }
done
[ $status -eq 0 ] && echo "man page: renders cleanly, $(wc -w <<<"$options") options of --help all described"
exit $status
