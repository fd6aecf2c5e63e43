"""The user guide as it ships: text that converts to Shift-JIS, LF line ends
in the repository (the release writes CR LF), lines of at most 76 columns (a
full-width character takes two), and every text it quotes in 「」 as the
screen shows it: a menu command, dialog title, control or message of the
resources (accelerators "(&X)" and "&" left out).
Usage: guide_check.py SOURCE_DIR"""
import glob
import os
import re
import sys
import unicodedata

root = sys.argv[1]
guide_path = os.path.join(root, "docs", "guide", "Tessera.ja.txt")
data = open(guide_path, "rb").read()
problems = []
try:
    guide = data.decode("utf-8")
except UnicodeDecodeError as error:
    print("FAIL: the guide is not UTF-8:", error)
    sys.exit(1)
if b"\r" in data or not data.endswith(b"\n"):
    problems.append("line ends are not all LF")
try:
    guide.replace("@VERSION@", "1.0").encode("cp932")
except UnicodeEncodeError as error:
    problems.append("not convertible to Shift-JIS: %r" % guide[error.start:error.end])


def width(line):
    return sum(2 if unicodedata.east_asian_width(c) in "WF" else 1 for c in line)


for number, line in enumerate(guide.split("\n"), 1):
    shown = line.replace("@VERSION@", "10.10.10.10")
    if width(shown) > 76:
        problems.append("line %d is %d columns wide" % (number, width(shown)))
    if "\t" in line or line != line.rstrip():
        problems.append("line %d has a tab or trailing blanks" % number)

# Each text of the resources as a pattern: %d and %s stand for anything shown there.
screen = []
for rc in glob.glob(os.path.join(root, "resources", "*.rc")):
    for text in re.findall(r'"((?:[^"\\]|\\.)*)"', open(rc, encoding="utf-8").read()):
        text = re.sub(r"\(&\w\)", "", text).replace("&", "").rstrip(":")
        for part in [text] + text.split("\\n"):
            screen.append(re.compile(re.escape(part).replace("%d", r"\S+").replace("%s", ".+")))
for quoted in re.findall(r"「([^」]*)」", guide):
    if not any(pattern.fullmatch(quoted) for pattern in screen):
        problems.append("「%s」 is no text of the resources" % quoted)

for problem in problems:
    print("FAIL:", problem)
print("guide: %d lines, %d quoted screen texts" % (guide.count("\n"),
                                                   len(re.findall("「", guide))))
sys.exit(1 if problems else 0)
