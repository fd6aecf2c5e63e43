"""Every text the command line shows through Tr() or TrProblem() has its
Japanese in po/ja.po, and every entry there is still used; msgfmt accepts it.
Usage: catalogue_check.py SOURCE_DIR"""
import ast
import os
import re
import subprocess
import sys

sys.path.insert(0, os.path.join(sys.argv[1], "tools", "cli"))
from catalogue_table import entries  # noqa: E402

root = sys.argv[1]
cli = os.path.join(root, "tools", "cli")
STRING = r'"(?:[^"\\]|\\.)*"'
used = set()
for name in sorted(os.listdir(cli)):
    if not name.endswith(".cpp"):
        continue
    source = open(os.path.join(cli, name), encoding="utf-8").read()
    # Tr("..." "...") with adjacent literals; the usage text and the host's phrases.
    for call in re.finditer(r'\bTr\(\s*((?:%s\s*)+)' % STRING, source):
        used.add("".join(ast.literal_eval(s) for s in re.findall(STRING, call.group(1))))
    for block in re.finditer(r'(?:kUsage\[\] =|kPhrases\[\] = \{)((?:\s*%s,?)+)' % STRING, source):
        literals = re.findall(STRING, block.group(1))
        if "kUsage" in block.group(0):
            used.add("".join(ast.literal_eval(s) for s in literals))
        else:
            used.update(ast.literal_eval(s) for s in literals)
    # `const char* text = cond ? "..." : "...";` handed to Tr(text, ...).
    for choice in re.finditer(r'const char\* text =(?:%s|[^;"])*;' % STRING, source):
        for run in re.finditer(r'(?:%s\s*)+' % STRING, choice.group(0)):
            used.add("".join(ast.literal_eval(s) for s in re.findall(STRING, run.group(0))))

po = os.path.join(root, "po", "ja.po")
catalogue = dict(entries(po))
problems = ["not in po/ja.po: %r" % text for text in sorted(used - catalogue.keys())]
problems += ["in po/ja.po but not used: %r" % text for text in sorted(catalogue.keys() - used)]
check = subprocess.run(["msgfmt", "--check", "-o", os.devnull, po], capture_output=True, text=True)
if check.returncode != 0:
    problems.append("msgfmt: " + check.stderr.strip())
for problem in problems:
    print("FAIL:", problem[:200])
print("catalogue: %d texts, %d translated" % (len(used), len(used & catalogue.keys())))
sys.exit(1 if problems else 0)
