#!/usr/bin/env python3
"""Fails when a C++ file does not follow the checked-in .clang-format.

Usage: check_format.py [--fix] [SOURCE_DIR]   (default: the checkout this file is in)
Checks the tracked *.cpp and *.h files (every such file outside build trees when
SOURCE_DIR is not a git checkout); --fix rewrites them in place instead.
Exit 0 clean (or fixed), 1 with files to format, 77 when clang-format is missing.
"""
import argparse
import os
import shutil
import subprocess
import sys
from pathlib import Path

EXTENSIONS = (".cpp", ".h")
BATCH = 50  # files per clang-format call, to keep command lines short


def tracked_files(root):
    """The checkout's tracked sources, or None outside a git checkout."""
    if shutil.which("git") is None:
        return None
    listed = subprocess.run(["git", "-C", str(root), "ls-files", "-z", "--", "*.cpp", "*.h"],
                            stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    if listed.returncode != 0:
        return None
    names = [n for n in listed.stdout.decode().split("\0") if n]
    return [root / n for n in names if (root / n).is_file()]


def found_files(root):
    """Sources under root, leaving out hidden folders and build trees."""
    files = []
    for folder, subfolders, names in os.walk(root):
        subfolders[:] = sorted(d for d in subfolders if not d.startswith(".")
                               and not (Path(folder, d) / "CMakeCache.txt").exists())
        files += [Path(folder, n) for n in sorted(names) if n.endswith(EXTENSIONS)]
    return files


def clang_format():
    return shutil.which("clang-format") or shutil.which("clang-format-14")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--fix", action="store_true", help="format the files in place")
    parser.add_argument("root", nargs="?", default=Path(__file__).resolve().parents[2], type=Path)
    args = parser.parse_args()
    root = args.root.resolve()
    tool = clang_format()
    if tool is None:
        print("SKIP: clang-format is not installed")
        return 77
    files = tracked_files(root)
    if files is None:
        files = found_files(root)
    names = [os.path.relpath(f, root) for f in files]
    # One violation per file is enough to name it.
    mode = ["-i"] if args.fix else ["--dry-run", "-Werror", "--ferror-limit=1"]
    failed, broken = [], False
    for i in range(0, len(names), BATCH):
        batch = names[i:i + BATCH]
        run = subprocess.run([tool, "--style=file", *mode, *batch],
                             stdout=subprocess.PIPE, stderr=subprocess.STDOUT, cwd=root)
        report = run.stdout.decode(errors="replace")
        sys.stdout.write(report)
        if run.returncode != 0:
            named = [n for n in batch if report.startswith(n + ":") or ("\n" + n + ":") in report]
            failed += named
            broken = broken or not named
    if broken:
        print("clang-format failed")
        return 1
    if args.fix:
        print("formatted %d file(s)" % len(names))
        return 0
    if failed:
        print("%d of %d file(s) do not follow .clang-format: %s --fix formats them" %
              (len(failed), len(names), os.path.relpath(__file__, root)))
        return 1
    print("%d file(s) follow .clang-format" % len(names))
    return 0

if __name__ == "__main__":
    sys.exit(main())
