#!/usr/bin/env python3
"""Writes one large message of a given line shape, for the memory benchmark.

Shapes: "short" (lines of one byte), "blank" (empty lines only), "long" (lines
of 64 KiB) and "base64" (a short text part and a base64 attachment of 76-byte
lines). Text lines are declared ISO-2022-JP, so that the export converts each.
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


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("shape", choices=["short", "blank", "long", "base64"])
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
        out.write(b"Content-Type: text/plain; charset=iso-2022-jp\n\n")
        line = {"short": b"a\n", "blank": b"\n", "long": b"x" * 65535 + b"\n"}[args.shape]
        write_lines(out, line, size)


if __name__ == "__main__":
    main()
