#!/usr/bin/env python3
"""Measures which charset label mail readers decode Shift-JIS text with exactly.

For every character code page 932 holds (decoded with Python's cp932 codec),
grouped by where it lives, and for each candidate label, asks three readers
to decode it: Python's codecs (the email package), glibc iconv (mutt and
other C readers) and, when node is installed, a WHATWG TextDecoder (browsers
and Thunderbird follow the WHATWG Encoding Standard). The Windows and the
JIS Unicode forms of one JIS character (U+FF5E / U+301C and six more) count
as the same. Prints a Markdown table: per label and reader, the groups it
reads wrongly ("unknown" when the reader does not know the label).
Usage: measure_charset_labels.py
"""
import json
import shutil
import subprocess

LABELS = ["Shift_JIS", "MS932", "CP932", "Windows-31J"]
VARIANTS = str.maketrans({"\uff5e": "\u301c", "\u2225": "\u2016", "\uff0d": "\u2212", "\u2015": "\u2014",
                          "\uffe0": "\u00a2", "\uffe1": "\u00a3", "\uffe2": "\u00ac"})


def group(code):
    if code < 0x80:
        return "ASCII '\\\\' '~'" if code in (0x5C, 0x7E) else "ASCII"
    if code < 0x100:
        return "half-width katakana"
    lead = code >> 8
    if lead == 0x87:
        return "NEC row 13"
    if lead in (0xED, 0xEE):
        return "NEC-selected IBM"
    if lead >= 0xFA:
        return "IBM extension"
    if 0xF0 <= lead <= 0xF9:
        return "user-defined area"
    return "JIS X 0208"


def codes():
    out = [(b, bytes([b])) for b in range(0x20, 0x7F)] + [(b, bytes([b])) for b in range(0xA1, 0xE0)]
    for lead in list(range(0x81, 0xA0)) + list(range(0xE0, 0xFD)):
        for trail in list(range(0x40, 0x7F)) + list(range(0x80, 0xFD)):
            data = bytes([lead, trail])
            try:
                data.decode("cp932")
            except UnicodeDecodeError:
                continue
            out.append((lead << 8 | trail, data))
    return out


def python_reader(label, items):
    try:
        return [data.decode(label, "replace") for _, data in items]
    except LookupError:
        return None


def iconv_reader(label, items):
    blob = b"\n".join(data for _, data in items) + b"\n"
    result = subprocess.run(["iconv", "-c", "-f", label, "-t", "UTF-8"], input=blob, capture_output=True)
    if result.returncode != 0 and not result.stdout:
        return None
    lines = result.stdout.decode("utf-8").split("\n")[:-1]
    return lines if len(lines) == len(items) else None


def whatwg_reader(label, items):
    node = shutil.which("node")
    if not node:
        return "no node"
    script = ("const d=JSON.parse(require('fs').readFileSync(0,'utf8'));let t;"
              "try{t=new TextDecoder(d.l)}catch(e){console.log('null');process.exit(0)}"
              "console.log(JSON.stringify(d.h.map(h=>t.decode(Buffer.from(h,'hex')))))")
    out = subprocess.run([node, "-e", script], input=json.dumps({"l": label, "h": [d.hex() for _, d in items]}).encode(),
                         capture_output=True, check=True)
    return json.loads(out.stdout)


def main():
    items = codes()
    expected = [data.decode("cp932").translate(VARIANTS) for _, data in items]
    print("| label | reader | groups read wrongly |")
    print("|---|---|---|")
    for label in LABELS:
        for name, reader in (("Python", python_reader), ("glibc iconv", iconv_reader), ("WHATWG", whatwg_reader)):
            got = reader(label, items)
            if got == "no node":
                verdict = "not measured (no node)"
            elif got is None:
                verdict = "unknown label"
            else:
                wrong = sorted({group(code) for (code, _), g, e in zip(items, got, expected)
                                if g.translate(VARIANTS) != e})
                verdict = ", ".join(wrong) if wrong else "none"
            print("| %s | %s | %s |" % (label, name, verdict))
    print("\n%d code page 932 characters measured." % len(items))


if __name__ == "__main__":
    main()
