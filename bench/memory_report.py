#!/usr/bin/env python3
"""Turns the runs of scripts/bench-memory.sh into the memory section of docs/bench.md.

Usage: memory_report.py RESULTS_TSV TARGET_MD [measured]
RESULTS_TSV holds one line per run: command, shape, message MiB, peak RSS KB,
status (0, 500 for a message box, else the exit status), bytes written.
Replaces the "## Memory" section of TARGET_MD (at its end when it has none) and prints it;
the sections after it stay.
"""
import os
import sys

HEADING = "## Memory"


def describe(status, written):
    if status == "0":
        return "written, %.0f MB" % (int(written) / 1e6)
    if status == "500":
        return "message 500 (too large to hold)"
    return "exit %s" % status


def section(rows, wine):
    lines = [HEADING, "",
             "Measured by `scripts/bench-memory.sh` (run by `make bench`): one export of one large "
             "message (`bench/make_shape_messages.py`: lines of one byte, empty lines, lines of "
             "64 KiB, a base64 attachment; text declared ISO-2022-JP, so every text line is "
             "converted; and UTF-8 text, converted by the engine: lines of one character "
             "(utf8-short), one line without a line break (utf8-line), quoted-printable of "
             "nothing but soft line breaks (utf8-qp), base64 of short lines (utf8-base64)), peak resident memory of the whole process (`/usr/bin/time`). Limit: "
             "3 x the message + 64 MB. Plug-in under Wine: %s." %
             ("measured (32-bit DLL in simhost.exe)" if wine else "not measured"),
             "", "| command | lines | message MB | peak RSS MB | limit MB | within | result |",
             "|---|---|---:|---:|---:|---|---|"]
    for name, shape, mib, rss, status, written in rows:
        size = int(mib) * 1.048576
        peak = int(rss) / 1024
        limit = 3 * size + 64
        lines.append("| %s | %s | %.0f | %.1f | %.0f | %s | %s |" % (
            name, shape, size, peak, limit, "yes" if peak <= limit else "NO",
            describe(status, written)))
    return "\n".join(lines)


def main():
    results, target = sys.argv[1:3]
    wine = len(sys.argv) > 3 and sys.argv[3] == "measured"
    rows = [line.rstrip("\n").split("\t") for line in open(results)]
    text = open(target).read() if os.path.exists(target) else ""
    head, found, rest = text.partition("\n" + HEADING + "\n")
    after = rest[rest.find("\n## "):] if found and "\n## " in rest else ""
    new = section(rows, wine)
    with open(target, "w") as out:
        out.write(head.rstrip("\n") + "\n\n" + new + "\n" + after)
    print(new)


if __name__ == "__main__":
    main()
