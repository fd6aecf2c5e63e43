#!/usr/bin/env python3
"""Fails when an include points up the layers or the engine's floors, reaches
into another floor's internal/ headers, or a portable file includes a system
header of one platform. Run by the build; prints every offence."""
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
# The engine's floors (export/<floor>/), bottom to top: a floor includes its
# own headers and those of lower floors; floors of one rank stand beside each
# other. Headers under <floor>/internal/ are its own: outside it only the
# tests' one door to them (INTERNALS_DOOR) includes them.
FLOORS = {
    "text": 0,        # ASCII and Shift-JIS rules, byte scans, the byte sink
    "seams": 0,       # what the engine is handed: host, system, progress, format
    "charset": 1,     # character sets and transfer decoders
    "mime": 1,        # the line store, the MIME tree and the rules of its parts
    "conversion": 2,  # a part's and a header's text made Shift-JIS
    "framing": 2,     # the formats' framing, file names and folders
    "flow": 3,        # the walk and the writer
}
# Tests and fuzzers see a floor's internal/ headers through this one header.
INTERNALS_DOOR = "tests/support/EngineInternals.h"
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


def floor_offence(rel: Path, name: str):
    """What is wrong with `rel` including `name`, an engine header; or None."""
    parts = name.split("/")
    if len(parts) < 3 or parts[1] not in FLOORS:
        return f"{rel}: includes {name}, which is in no floor of export/"
    floor = parts[1]
    inside = rel.parts[0] == "export" and rel.parts[1] == floor
    if "internal" in parts[2:-1] and not inside and rel.as_posix() != INTERNALS_DOOR:
        return f"{rel}: includes {name}, internal to export/{floor}/"
    if rel.parts[0] == "export" and not inside and FLOORS[floor] >= FLOORS[rel.parts[1]]:
        return f"{rel}: includes {name}, which is not below export/{rel.parts[1]}/"
    return None


def main(root: Path) -> int:
    offences = []
    for path in sorted(root.glob("*/**/*")):
        if path.suffix not in (".h", ".cpp") or not path.is_file():
            continue
        rel = path.relative_to(root)
        layer = rel.parts[0]
        if layer not in RANKS:
            continue
        if layer == "export" and (len(rel.parts) < 3 or rel.parts[1] not in FLOORS):
            offences.append(f"{rel}: in no floor of export/")
            continue
        for kind, name in INCLUDE.findall(path.read_text(encoding="utf-8", errors="replace")):
            if kind == "<":
                if is_portable(rel) and PLATFORM_HEADERS.match(name):
                    offences.append(f"{rel}: portable file includes <{name}>")
                continue
            if name.startswith("host/") and str(rel).startswith(PRODUCT):
                offences.append(f"{rel}: includes {name}, a test double")
                continue
            if name.startswith("export/"):
                offence = floor_offence(rel, name)
                if offence:
                    offences.append(offence)
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
