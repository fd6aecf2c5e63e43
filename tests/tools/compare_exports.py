#!/usr/bin/env python3
"""Compares the files the plug-in wrote under Wine with those tessera-export wrote.

Usage: compare_exports.py WINE_DIR CLI_DIR CASE_NAME
Files pair up by name (Wine stores the plug-in's Shift-JIS names as UTF-8 on
disk; the CLI keeps the bytes) and must be byte-identical, except envelope
lines that carry the export time, and names Wine cannot store under their own
bytes. Prints one summary line and up to ten failures; exit 1 on a difference.
"""
import datetime
import os
import re
import sys

ENVELOPE = re.compile(rb"^From (\S+) (\w{3} \w{3} \d\d \d\d:\d\d:\d\d \d{4})\r\n$")
NOW = datetime.datetime.now()


def wine_key(name):
    """The plug-in's bytes of a name Wine wrote, or None."""
    try:
        return os.fsencode(name).decode("utf-8").encode("cp932")
    except (UnicodeDecodeError, UnicodeEncodeError):
        return None


def wine_can_store(raw):
    """Bytes that are not valid Shift-JIS, or whose UTF-8 form is too long for
    the file system, cannot reach the disk under their own name under Wine."""
    try:
        return len(raw.decode("cp932").encode("utf-8")) <= 255
    except UnicodeDecodeError:
        return False


def export_time(stamp):
    """True for an envelope date that is the time of the export (no readable Date)."""
    try:
        when = datetime.datetime.strptime(stamp.decode(), "%a %b %d %H:%M:%S %Y")
    except ValueError:
        return False
    return abs((when - NOW).total_seconds()) < 2 * 86400


def compare(a, b):
    """(problem or None, number of export-time envelope lines excepted)."""
    la, lb = a.splitlines(keepends=True), b.splitlines(keepends=True)
    if len(la) != len(lb):
        return "line count %d vs %d" % (len(la), len(lb)), 0
    excepted = 0
    for i, (x, y) in enumerate(zip(la, lb)):
        if x == y:
            continue
        mx, my = ENVELOPE.match(x), ENVELOPE.match(y)
        if (mx and my and mx.group(1) == my.group(1) and export_time(mx.group(2))
                and export_time(my.group(2))):
            excepted += 1
            continue
        return "line %d: %r vs %r" % (i + 1, x[:80], y[:80]), excepted
    return None, excepted


def read(folder, name):
    with open(os.path.join(folder, name), "rb") as f:
        return f.read()


class Tally:
    def __init__(self):
        self.failures = []
        self.files = self.bytes = self.excepted = self.renamed = self.unstorable = 0


def compare_named(wine_dir, wine, cli_dir, cli, tally):
    for key in sorted(set(wine) & set(cli)):
        a, b = read(wine_dir, wine[key]), read(cli_dir, cli[key])
        tally.files += 1
        tally.bytes += len(a)
        problem, excepted = compare(a, b)
        tally.excepted += excepted
        if problem:
            tally.failures.append("%r: %s" % (key, problem))


def compare_substituted(wine_dir, wine_left, cli_dir, cli_left, tally):
    """Names Wine had to substitute: matched with the CLI's file of the same content."""
    cli_data = {k: read(cli_dir, n) for k, n in cli_left.items()}
    for n in wine_left:
        data = read(wine_dir, n)
        match = next((k for k, v in cli_data.items() if not wine_can_store(k) and v == data), None)
        if match is None:
            tally.failures.append("plug-in file %r has no CLI counterpart" % n)
            continue
        del cli_data[match]
        tally.files += 1
        tally.renamed += 1
        tally.bytes += len(data)
    for k in cli_data:
        if wine_can_store(k):
            tally.failures.append("CLI file %r has no plug-in counterpart" % k)
        else:
            tally.unstorable += 1


def main():
    wine_dir, cli_dir, name = sys.argv[1:4]
    wine, wine_unmapped = {}, []
    for n in os.listdir(wine_dir):
        key = wine_key(n)
        if key is None:
            wine_unmapped.append(n)
        else:
            wine[key] = n
    cli = {os.fsencode(n): n for n in os.listdir(cli_dir)}
    tally = Tally()
    compare_named(wine_dir, wine, cli_dir, cli, tally)
    wine_left = [wine[k] for k in set(wine) - set(cli)] + wine_unmapped
    cli_left = {k: cli[k] for k in set(cli) - set(wine)}
    compare_substituted(wine_dir, wine_left, cli_dir, cli_left, tally)
    if tally.files == 0:
        tally.failures.append("no output files to compare")
    print("%s: %d file(s), %d bytes, %d export-time envelope line(s) excepted, "
          "%d name(s) substituted by Wine, %d name(s) Wine cannot store: %s" %
          (name, tally.files, tally.bytes, tally.excepted, tally.renamed, tally.unstorable,
           "DIFFERENT" if tally.failures else "identical"))
    for failure in tally.failures[:10]:
        print("  " + failure)
    return 1 if tally.failures else 0


if __name__ == "__main__":
    sys.exit(main())
