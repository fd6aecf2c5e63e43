#!/usr/bin/env python3
"""Writes one large message of a given line shape, for the memory benchmark.

Shapes: "short" (lines of one byte), "blank" (empty lines only), "long" (lines
of 64 KiB) and "base64" (a short text part and a base64 attachment of 76-byte
lines). Text lines are declared ISO-2022-JP, so that the export converts each.
UTF-8 text, converted by the engine itself: "utf8-short" (lines of one
character), "utf8-line" (one line without a line break), "utf8-qp"
(quoted-printable, nothing but soft line breaks between the characters) and
"utf8-base64" (base64 of UTF-8 text of short lines).
"""
import argparse
import base64
import os

HEAD = (b"From: bench@example.jp\nSubject: shape %s\nDate: Tue, 5 Mar 2002 09:07:03 +0900\n"
        b"MIME-Version: 1.0\n")


def write_lines(out, line, size):
    chunk = line * max(1, (1 << 20) // len(line))
    written = 0
    while written < size:
        out.write(chunk)
        written += len(chunk)


def write_utf8(out, shape, size):
    kanji = "\u65e5\u672c\u8a9e".encode()  # three characters, nine bytes
    encoding = {"utf8-qp": b"quoted-printable", "utf8-base64": b"base64"}.get(shape, b"8bit")
    out.write(b"Content-Type: text/plain; charset=utf-8\nContent-Transfer-Encoding: %s\n\n"
              % encoding)
    if shape == "utf8-short":
        write_lines(out, kanji[:3] + b"\n", size)
    elif shape == "utf8-line":
        write_lines(out, kanji, size)
    elif shape == "utf8-qp":
        # "=E6=97=A5=" soft break: each character alone on a line, all one line decoded.
        write_lines(out, b"".join(b"=%02X" % c for c in kanji[:3]) + b"=\n", size)
    else:
        block = (kanji[:3] + b"\n") * (57 * 1024 // 4)
        write_lines(out, base64.encodebytes(block), size)
    out.write(b"\n")


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("shape", choices=["short", "blank", "long", "base64", "utf8-short",
                                          "utf8-line", "utf8-qp", "utf8-base64"])
    parser.add_argument("size_mb", type=int)
    parser.add_argument("path")
    args = parser.parse_args()
    size = args.size_mb << 20
    with open(args.path, "wb") as out:
        out.write(HEAD % args.shape.encode())
        if args.shape == "base64":
            out.write(b"Content-Type: multipart/mixed; boundary=b\n\n--b\n"
                      b"Content-Type: text/plain; charset=iso-2022-jp\n\nsee the attachment\n--b\n"
                      b"Content-Type: application/octet-stream\n"
                      b"Content-Transfer-Encoding: base64\n\n")
            block = os.urandom(57 * 1024)  # 1024 lines of 76 characters
            write_lines(out, base64.encodebytes(block), size)
            out.write(b"--b--\n")
            return
        if args.shape.startswith("utf8-"):
            write_utf8(out, args.shape, size)
            return
        out.write(b"Content-Type: text/plain; charset=iso-2022-jp\n\n")
        line = {"short": b"a\n", "blank": b"\n", "long": b"x" * 65535 + b"\n"}[args.shape]
        write_lines(out, line, size)


if __name__ == "__main__":
    main()
