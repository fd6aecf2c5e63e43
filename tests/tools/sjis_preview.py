#!/usr/bin/env python3
"""Prints the first lines of a Shift-JIS file as UTF-8, indented for the demo.
Usage: sjis_preview.py FILE [LINES]"""
import sys

LINES = int(sys.argv[2]) if len(sys.argv) > 2 else 8
with open(sys.argv[1], "rb") as f:
    text = f.read().decode("cp932", "replace").replace("\r\n", "\n")
for line in text.split("\n")[:LINES]:
    print("      | " + line[:100])
