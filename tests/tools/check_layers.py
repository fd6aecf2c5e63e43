#!/usr/bin/env python3
"""Fails when an include points up the layers, or a portable file includes a
system header of one platform. Run by the build; prints every offence."""
import re
import sys
from pathlib import Path

# Rank of each folder: a file may include its own folder and lower ranks only.
RANKS = {
    "resources": 0,  # facts: ids, version
    "export": 1,     # the portable engine
    "mailstore": 2,  # messages read from files: the command line's host
    "platform": 2,   # clock and files of one system
    "host": 3,       # the simulated host, for tests: on the mail store
    "settings": 3,   # the settings store
    "dialogs": 4,    # the Win32 dialogs and their window-free logic
    "shell": 5,      # the plug-in
    "tools": 6,      # simulated host, command-line exporter
    "bench": 7,
    "fuzz": 7,
    "tests": 7,
}
# Beside each other, not on top of each other.
APART = {("host", "platform"), ("platform", "host"), ("settings", "host"), ("host", "settings"),
         ("dialogs", "host"), ("shell", "host"), ("mailstore", "platform"),
         ("platform", "mailstore"), ("settings", "mailstore"), ("dialogs", "mailstore"),
         ("shell", "mailstore")}
# Product code never depends on the test doubles of host/.
PRODUCT = ("tools/cli",)
PLATFORM_HEADERS = re.compile(
    r"^(windows|winbase|shlwapi|shlobj|commctrl|commdlg|strings|unistd|fcntl|dirent|pthread"
    r"|iconv|langinfo|sys/.*)\.h$")
INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^">]+)[">]', re.M)


def is_portable(path: Path) -> bool:
    layer = path.parts[0]
    if layer not in ("export", "settings", "dialogs", "platform"):
        return False
    return not re.search(r"_(win|posix)\.(h|cpp)$", path.name)


def main(root: Path) -> int:
    offences = []
    for path in sorted(root.glob("*/**/*")):
        if path.suffix not in (".h", ".cpp") or not path.is_file():
            continue
        rel = path.relative_to(root)
        layer = rel.parts[0]
        if layer not in RANKS:
            continue
        for kind, name in INCLUDE.findall(path.read_text(encoding="utf-8", errors="replace")):
            if kind == "<":
                if is_portable(rel) and PLATFORM_HEADERS.match(name):
                    offences.append(f"{rel}: portable file includes <{name}>")
                continue
            if name.startswith("host/") and str(rel).startswith(PRODUCT):
                offences.append(f"{rel}: includes {name}, a test double")
                continue
            target = name.split("/")[0]
            if target not in RANKS or target == layer:
                continue
            if RANKS[target] > RANKS[layer] or (layer, target) in APART:
                offences.append(f"{rel}: includes {name}, which is not below {layer}/")
    for offence in offences:
        print(offence, file=sys.stderr)
    return 1 if offences else 0


if __name__ == "__main__":
    sys.exit(main(Path(sys.argv[1] if len(sys.argv) > 1 else ".")))
