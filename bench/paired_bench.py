#!/usr/bin/env python3
"""Paired whole-process timings: every command once per round, in turn (the
order reversed every other round), so that the load of a shared machine falls
on all of them alike; each is told as a ratio to cat on the same file within
its round (the median over the rounds), and to nkf.

Usage: bench/paired_bench.py --native DIR [--win DIR] [--base-native DIR]
       [--base-win DIR] [--rounds N] [--report docs/bench.md] MBOX...
A base tree (an earlier build) is measured beside the current one. .eml
folders are made on /dev/shm (tmpfs): ext4 slows file creation for a while
after many deletions. Under Wine the plug-in's time is the simulated host's
--time of the stored mbox export (not Wine's start-up); tessera-export.exe is
timed whole, its start-up included. Every export but the first of each command
replaces the file its previous run wrote, as cat does."""
import argparse
import os
import re
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

SECTION = "## Paired runs"


def wine_path(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--native", required=True)
    ap.add_argument("--win")
    ap.add_argument("--base-native")
    ap.add_argument("--base-win")
    ap.add_argument("--rounds", type=int, default=5)
    ap.add_argument("--report")
    ap.add_argument("boxes", nargs="+")
    args = ap.parse_args()
    work = tempfile.mkdtemp(prefix="tessera-paired.", dir="/dev/shm")
    try:
        rows = run(args, work)
    finally:
        shutil.rmtree(work, ignore_errors=True)
    text = table(rows, args)
    print(text)
    if args.report:
        with open(args.report, encoding="utf-8") as f:
            old = f.read()
        at = old.find("\n" + SECTION)
        if at >= 0:
            rest = old.find("\n## ", at + 1)
            old = old[:at] + (old[rest:] if rest >= 0 else "\n")
        with open(args.report, "w", encoding="utf-8") as f:
            f.write(old.rstrip("\n") + "\n\n" + text)


def commands(args, work):
    """(box, name, kind, argv or callable): kind 'wall' or 'plugin'."""
    trees = [("", args.native, args.win)]
    if args.base_native:
        trees.insert(0, ("before: ", args.base_native, args.base_win))
    out = os.path.join(work, "out")
    for box in args.boxes:
        yield box, "cat", "wall", ["sh", "-c", 'exec cat "$0" > "$1"', box, out]
        yield box, "nkf -s", "wall", ["sh", "-c", 'exec nkf -s < "$0" > "$1"', box, out]
        for label, native, win in trees:
            exe = os.path.join(native, "tessera-export")
            for fmt in ("mbox", "separator", "eml"):
                target = os.path.join(work, "eml") if fmt == "eml" else out
                yield box, f"{label}tessera-export --format {fmt}", "wall", [
                    exe, "--quiet", "--format", fmt, "--if-exists", "overwrite", "--output", target, box]
            if win and shutil.which("wine") and all(
                    os.path.isfile(os.path.join(win, "bin", n))
                    for n in ("tessera-export.exe", "simhost.exe", "Tessera.dll")):
                exe = os.path.join(win, "bin", "tessera-export.exe")
                yield box, f"{label}tessera-export.exe --format mbox (Wine)", "wall", [
                    "wine", exe, "--quiet", "--format", "mbox", "--if-exists", "overwrite",
                    "--output", wine_path(out), wine_path(box)]
                yield box, f"{label}plug-in, stored mbox (Wine, --time)", "plugin", (win, box)


def plugin_dir(work, win, box):
    folder = os.path.join(work, "plugin-" + str(abs(hash((win, box)))))
    if not os.path.isdir(folder):
        os.makedirs(os.path.join(folder, "out"))
        for name in ("simhost.exe", "Tessera.dll"):
            shutil.copy(os.path.join(win, "bin", name), folder)
        with open(os.path.join(folder, "Tessera.ini"), "w", encoding="cp932", newline="\r\n") as f:
            f.write("[SETTING]\nSavePath=%s\\\nSaveType=103\n" % wine_path(os.path.join(folder, "out")))
    return folder


def run_once(kind, what, work):
    shutil.rmtree(os.path.join(work, "eml"), ignore_errors=True)
    if kind == "wall":
        start = time.perf_counter()
        subprocess.run(what, check=True, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL)
        return time.perf_counter() - start
    win, box = what
    folder = plugin_dir(work, win, box)
    done = subprocess.run(["wine", "simhost.exe", "--plugin", "Tessera.dll", "--time", "--do",
                           "menu-init,stored,exit", wine_path(box)], cwd=folder, check=True,
                          stdin=subprocess.DEVNULL, capture_output=True)
    found = re.search(rb"command time: ([0-9.]+) ms", done.stdout + done.stderr)
    if not found:
        sys.exit("paired_bench: no command time from simhost")
    # A command that wrote nothing (a file name the locale cannot hold, say) timed nothing;
    # one that wrote a second file did not replace the first.
    if len(os.listdir(os.path.join(folder, "out"))) != 1:
        sys.exit("paired_bench: the plug-in did not write one file (run under scripts/wine-env.sh)")
    return float(found.group(1)) / 1000


def run(args, work):
    listed = list(commands(args, work))
    times = {(box, name): [] for box, name, _, _ in listed}
    for r in range(args.rounds):
        for box, name, kind, what in listed if r % 2 == 0 else reversed(listed):
            times[(box, name)].append(run_once(kind, what, work))
        print(f"paired_bench: round {r + 1} of {args.rounds} done", file=sys.stderr)
    rows = []
    for box, name, _, _ in listed:
        own = times[(box, name)]
        cat = times[(box, "cat")]
        nkf = times[(box, "nkf -s")]
        # Under Wine: how many times the same tree's native mbox export.
        native = ""
        if "(Wine" in name:
            label = name[: len("before: ")] if name.startswith("before: ") else ""
            base = times[(box, label + "tessera-export --format mbox")]
            native = "%.2f" % statistics.median(t / b for t, b in zip(own, base))
        # Beside the base build: how many times as fast, round by round.
        faster = ""
        if ("before: " + name) in {n for _, n, _, _ in listed}:
            before = times[(box, "before: " + name)]
            faster = "%.2f" % statistics.median(b / t for b, t in zip(before, own))
        rows.append((box, name, statistics.median(own),
                     statistics.median(c / t for c, t in zip(cat, own)),
                     statistics.median(n / t for n, t in zip(nkf, own)), native, faster))
    return rows


def table(rows, args):
    lines = [SECTION, "",
             f"Measured by `bench/paired_bench.py` on {time.strftime('%Y-%m-%d')}, {os.cpu_count()} CPU(s), "
             f"{args.rounds} rounds: in each round every command runs once, in turn (reversed every other "
             "round); a ratio is taken within each round and the median of those is shown, so the load "
             "of the shared machine weighs little. `.eml` folders on tmpfs (/dev/shm). Every one-file "
             "export but a command's first replaces the file it wrote before (so does cat). Plug-in rows: "
             "the export's own time by the simulated host's `--time`, without Wine's start-up; "
             "`tessera-export.exe` rows: the whole process under Wine, start-up included. Rows marked "
             "\"before:\" are the earlier build given as --base-native and --base-win, run in the same rounds. "
             "x native: the Wine row's time over the same build's native `--format mbox` in its round; "
             "x before: the \"before:\" row's time over this row's, in each round (above 1: faster now).",
             "", "| input | command | median s | / cat | x nkf | x native | x before |",
             "|---|---|---:|---:|---:|---:|---:|"]
    for box, name, median, to_cat, to_nkf, native, faster in rows:
        lines.append(f"| {os.path.basename(box)} ({os.path.getsize(box) / 1e6:.1f} MB) | {name} | "
                     f"{median:.3f} | {to_cat:.3f} | {to_nkf:.2f} | {native} | {faster} |")
    return "\n".join(lines) + "\n"


if __name__ == "__main__":
    main()
