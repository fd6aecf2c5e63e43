#!/usr/bin/env python3
"""The layer check on a small tree: each case is one file with one include,
checked alone; it must be refused (with the reason named) or let through."""
import subprocess
import sys
import tempfile
from pathlib import Path

CHECK = Path(__file__).with_name("check_layers.py")
# (file, what it includes, part of the offence; None: allowed)
CASES = [
    ("export/mime/MimePart.cpp", "export/text/AsciiText.h", None),
    ("export/mime/MimePart.cpp", "export/seams/ExportProgress.h", None),
    ("export/mime/MimePart.cpp", "export/mime/internal/ContentType.h", None),
    ("export/mime/MimePart.cpp", "export/conversion/ShiftJisConverter.h", "not below export/mime/"),
    ("export/mime/MimePart.cpp", "export/charset/CharsetLabel.h", "not below export/mime/"),
    ("export/text/AsciiText.cpp", "export/seams/HostApi.h", "not below export/text/"),
    ("export/flow/ExportDriver.cpp", "export/charset/internal/JisTables.h",
     "internal to export/charset/"),
    ("shell/ExportPlugin.cpp", "export/flow/internal/MessageWriter.h", "internal to export/flow/"),
    ("shell/ExportPlugin.cpp", "export/flow/ExportDriver.h", None),
    ("tests/unit/MessageWriter_test.cpp", "export/flow/internal/MessageWriter.h",
     "internal to export/flow/"),
    ("tests/support/EngineInternals.h", "export/flow/internal/MessageWriter.h", None),
    ("shell/ExportPlugin.cpp", "export/MimePart.h", "in no floor of export/"),
    ("export/Loose.cpp", "export/text/AsciiText.h", "in no floor of export/"),
    ("export/text/AsciiText.cpp", "shell/ExportPlugin.h", "not below export/"),
]


def run(file, include):
    with tempfile.TemporaryDirectory() as root:
        path = Path(root, file)
        path.parent.mkdir(parents=True)
        path.write_text(f'#include "{include}"\n')
        done = subprocess.run([sys.executable, str(CHECK), root], stderr=subprocess.PIPE, text=True)
        return done.returncode, done.stderr


def main():
    failures = 0
    for file, include, offence in CASES:
        rc, told = run(file, include)
        ok = rc == 0 and not told if offence is None else rc == 1 and offence in told
        if not ok:
            failures += 1
            print(f"FAIL {file} -> {include}: exit {rc}, told {told.strip()!r}, "
                  f"expected {offence or 'no offence'}")
    print(f"{len(CASES) - failures} of {len(CASES)} cases as expected")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
