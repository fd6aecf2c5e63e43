#!/usr/bin/env python3
"""Reference conversions for the converter cross-check test.

Reads lines "kind<TAB>input-hex<TAB>ours-hex" from stdin, kind being
"iso" (ISO-2022-JP), "euc" (EUC-JP) or "mime" (header value: RFC 2047
decoding, then ISO-2022-JP when escapes remain). The reference is nkf for the
character conversion and the email package for the header decoding. Prints
one line per sample: "same", or "diff" followed by TAB-separated differences
"ours-hex:ref-hex:cp932" where cp932 is "equal" when both sides decode to the
same text under code page 932, else "unequal". Hex is written as the tests
write it: spaced upper-case pairs ("81 AC").
"""
import difflib
import email.header
import subprocess
import sys

NKF = {"iso": ["nkf", "-J", "-s", "-x", "-m0"], "euc": ["nkf", "-E", "-s", "-x", "-m0"]}


def nkf(kind, data):
    if not data:
        return b""
    return subprocess.run(NKF[kind], input=data, stdout=subprocess.PIPE, check=True).stdout


def mime_reference(data):
    text = data.decode("latin-1")
    decoded = b"".join(
        part if isinstance(part, bytes) else part.encode("latin-1")
        for part, _ in email.header.decode_header(text))
    if b"\x1b$B" in decoded or b"\x1b$(D" in decoded:
        return nkf("iso", decoded)
    return decoded


def tokens(data):
    out, i = [], 0
    while i < len(data):
        c = data[i]
        size = 2 if (0x81 <= c <= 0x9F or 0xE0 <= c <= 0xFC) and i + 1 < len(data) else 1
        out.append(data[i:i + size])
        i += size
    return out


def hex_bytes(data):
    return " ".join("%02X" % b for b in data)


def cp932_equal(a, b):
    try:
        return a.decode("cp932") == b.decode("cp932")
    except UnicodeDecodeError:
        return False


def differences(ours, ref):
    a, b = tokens(ours), tokens(ref)
    result = []
    for op, i1, i2, j1, j2 in difflib.SequenceMatcher(None, a, b, autojunk=False).get_opcodes():
        if op == "equal":
            continue
        mine, theirs = b"".join(a[i1:i2]), b"".join(b[j1:j2])
        verdict = "equal" if cp932_equal(mine, theirs) else "unequal"
        result.append("%s:%s:%s" % (hex_bytes(mine), hex_bytes(theirs), verdict))
    return result


def main():
    for line in sys.stdin:
        kind, data_hex, ours_hex = line.rstrip("\n").split("\t")
        data, ours = bytes.fromhex(data_hex), bytes.fromhex(ours_hex)
        ref = mime_reference(data) if kind == "mime" else nkf(kind, data)
        diffs = differences(ours, ref)
        print("\t".join(["diff"] + diffs) if diffs else "same", flush=True)


if __name__ == "__main__":
    main()
