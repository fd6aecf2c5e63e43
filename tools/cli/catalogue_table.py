"""Writes the entries of a gettext catalogue (po/ja.po) as C++ initialisers
{"english", "shift-jis"}, for the Windows program, which has no gettext.
Usage: catalogue_table.py PO_FILE OUT_FILE"""
import ast
import sys


def entries(path):
    """(msgid, msgstr) pairs of the catalogue, the header left out."""
    pairs, key, field = [], None, None
    parts = {"msgid": [], "msgstr": []}
    for line in open(path, encoding="utf-8"):
        line = line.strip()
        if line.startswith("#") or not line:
            continue
        for name in ("msgid", "msgstr"):
            if line.startswith(name + " "):
                if name == "msgid" and parts["msgstr"]:
                    pairs.append(("".join(parts["msgid"]), "".join(parts["msgstr"])))
                    parts = {"msgid": [], "msgstr": []}
                field = name
                line = line[len(name) + 1:]
        parts[field].append(ast.literal_eval(line))
    if parts["msgstr"]:
        pairs.append(("".join(parts["msgid"]), "".join(parts["msgstr"])))
    return [(english, text) for english, text in pairs if english and text]


def literal(data):
    """A C string literal of the bytes; octal escapes never run on."""
    out = []
    for byte in data:
        char = chr(byte)
        if char in '"\\':
            out.append("\\" + char)
        elif 32 <= byte < 127:
            out.append(char)
        else:
            out.append("\\%03o" % byte)
    return '"' + "".join(out) + '"'


if __name__ == "__main__":
    po, target = sys.argv[1:3]
    with open(target, "w", encoding="ascii") as out:
        for english, text in entries(po):
            out.write("{%s,\n %s},\n" % (literal(english.encode("ascii")),
                                          literal(text.encode("cp932"))))
