#!/usr/bin/env python3
"""Turns the timings of scripts/bench.sh into the table of docs/bench.md.

Usage: bench_report.py RESULTS_TSV TARGET_MD RUNS WINE_NOTE MBOX MODERN_MBOX
RESULTS_TSV holds one line per run: name, input bytes, wall ns, peak RSS KB.
Writes TARGET_MD and prints it.
"""
import collections
import datetime
import os
import statistics
import sys

EMPTY_WINE = "plug-in under Wine (empty run)"
STORED_WINE = "plug-in under Wine, stored mbox"
MAIN = "tessera-export --format mbox"
SMALL = "tessera-export --format mbox (200 messages)"
# Rows of the modern-mail corpus, compared with nkf on the same file.
MODERN_TAG = "(modern mail)"


def read_rows(path):
    rows = collections.OrderedDict()
    with open(path) as f:
        for line in f:
            name, size, ns, rss = line.rstrip("\n").split("\t")
            rows.setdefault(name, []).append((int(size), int(ns) / 1e9, int(rss)))
    return rows


def median_time(rows, name):
    return statistics.median(t for _, t, _ in rows[name]) if name in rows else None


def rate(rows, name):
    """MB/s; the Wine export is charged without Wine's own start-up."""
    empty = median_time(rows, EMPTY_WINE) or 0.0
    size = rows[name][0][0]
    t = median_time(rows, name) - (empty if name == STORED_WINE else 0.0)
    return size / 1e6 / t if t > 0 else float("inf")


def nkf_for(rows, name):
    """Each corpus is compared with nkf on the same corpus."""
    return rate(rows, "nkf -s " + MODERN_TAG) if name.endswith(MODERN_TAG) else rate(rows, "nkf -s")


def timing_table(rows):
    cat = rate(rows, "cat")
    lines = ["| command | input MB | median s | spread s (min-max) | MB/s | x nkf | / cat | peak RSS MB |",
             "|---|---:|---:|---:|---:|---:|---:|---:|"]
    for name, samples in rows.items():
        times = [t for _, t, _ in samples]
        size = samples[0][0] / 1e6
        peak = max(r for _, _, r in samples) / 1024
        r = rate(rows, name)
        speed = ("- | - | -" if name == EMPTY_WINE else
                 "%.1f | %.2f | %.3f" % (r, r / nkf_for(rows, name), r / cat))
        lines.append("| %s | %.1f | %.3f | %.3f-%.3f | %s | %.1f |" % (
            name, size, statistics.median(times), min(times), max(times), speed, peak))
    return lines


def largest_message(path):
    largest = current = 0
    with open(path, "rb") as f:
        for line in f:
            if line.startswith(b"From "):
                largest, current = max(largest, current), 0
            current += len(line)
    return max(largest, current)


def target_checks(rows, big):
    """(target, met, measured) for each performance target."""
    main = rate(rows, MAIN)
    nkf, cat = rate(rows, "nkf -s"), rate(rows, "cat")
    t_big, t_small = median_time(rows, MAIN), median_time(rows, SMALL)
    peak = max(r for _, _, r in rows[MAIN]) / 1024
    limit = 64 + 2 * big / 2**20
    modern, nkf_modern = rate(rows, MAIN + " " + MODERN_TAG), rate(rows, "nkf -s " + MODERN_TAG)
    return [
        ("tessera-export --format mbox >= 200 MB/s", main >= 200, "%.1f MB/s" % main),
        ("... >= 8 x nkf", main >= 8 * nkf, "%.2f x" % (main / nkf)),
        ("... >= cat / 5", main >= cat / 5, "%.3f of cat" % (main / cat)),
        ("peak RSS < 64 MB + 2 x largest message", peak < limit,
         "%.1f MB (limit %.1f MB)" % (peak, limit)),
        ("10x messages <= 10.5x time", t_big <= 10.5 * t_small, "%.2f x" % (t_big / t_small)),
        ("modern mail: tessera-export --format mbox >= 10 x nkf",
         modern >= 10 * nkf_modern, "%.2f x" % (modern / nkf_modern)),
        ("mbox index <= 64 bytes a message (1,000,000 messages, MboxIndexBench)",
         float(os.environ.get("INDEX_BYTES") or "inf") <= 64,
         "%s bytes" % os.environ.get("INDEX_BYTES")),
        (".eml names: 100,000 of one Subject <= 2 x distinct (NamingBench)",
         float(os.environ.get("NAMING_RATIO") or "inf") <= 2,
         "%s x" % os.environ.get("NAMING_RATIO")),
    ]


def cpu_name():
    with open("/proc/cpuinfo") as f:
        for line in f:
            if line.startswith("model name"):
                return line.split(":", 1)[1].strip()
    return "unknown"


def kept_section(path, heading):
    """The section under `heading` of the old report, as it stands: make fuzz measures it."""
    try:
        with open(path) as f:
            text = f.read()
    except OSError:
        return []
    start = text.find("\n" + heading + "\n")
    if start < 0:
        return []
    end = text.find("\n## ", start + 1)
    return [""] + text[start + 1:end if end >= 0 else len(text)].rstrip("\n").split("\n")


def main():
    results, target, runs, wine_note, box, modern = sys.argv[1:7]
    rows = read_rows(results)
    big = largest_message(box)
    text = ["# Export benchmarks", "",
            "Measured by `scripts/bench.sh` (`make bench`) on %s, %s, %d CPU(s), %s runs each." % (
                datetime.date.today().isoformat(), cpu_name(), os.cpu_count(), runs),
            "Whole-process wall time and peak resident memory (`/usr/bin/time`), input in the page cache.",
            "Input: `build/bench-corpus/bench.mbox`, generated by `bench/make_bench_mbox.py` "
            "(Japanese mail, ISO-2022-JP and EUC-JP text, one message in three with a base64 "
            "attachment; largest message %.2f MB); rows marked %s: `build/bench-corpus/modern.mbox`, "
            "generated by `bench/make_modern_mbox.py` (%.1f MB: mostly UTF-8 in base64 and "
            "quoted-printable with HTML alternatives and emoji, a share of ISO-2022-JP and 8bit UTF-8, "
            "one message in three with an attachment), compared with nkf on the same file." % (
                big / 1e6, MODERN_TAG, os.path.getsize(modern) / 1e6),
            "Plug-in under Wine: %s." % wine_note, ""]
    text += timing_table(rows)
    text += ["", "| target | met | measured |", "|---|---|---|"]
    text += ["| %s | %s | %s |" % (n, "yes" if ok else "NO", v) for n, ok, v in target_checks(rows, big)]
    text += kept_section(target, "## Fuzzing")
    with open(target, "w") as f:
        f.write("\n".join(text) + "\n")
    print("\n".join(text))


if __name__ == "__main__":
    main()
