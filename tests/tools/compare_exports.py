#!/usr/bin/env python3
"""Compares the plug-in's export (under Wine) with the CLI's, file by file:
WINE_DIR CLI_DIR NAME. Exit 1 on any difference."""
import datetime, os, re, sys
wine_dir, cli_dir, name = sys.argv[1:4]
# Both sides name files in UTF-8: Wine recodes the plug-in's Shift-JIS names,
# the CLI writes its names in the locale's character set.
wine = {os.fsencode(n): n for n in os.listdir(wine_dir)}
cli = {os.fsencode(n): n for n in os.listdir(cli_dir)}
envelope = re.compile(rb"^From (\S+) (\w{3} \w{3} \d\d \d\d:\d\d:\d\d \d{4})\r\n$")
now = datetime.datetime.now()

def export_time(stamp):
    """True for an envelope date that is the time of the export (no readable Date)."""
    try:
        when = datetime.datetime.strptime(stamp.decode(), "%a %b %d %H:%M:%S %Y")
    except ValueError:
        return False
    return abs((when - now).total_seconds()) < 2 * 86400

def compare(a, b):
    la, lb = a.splitlines(keepends=True), b.splitlines(keepends=True)
    if len(la) != len(lb):
        return "line count %d vs %d" % (len(la), len(lb)), 0
    excepted = 0
    for i, (x, y) in enumerate(zip(la, lb)):
        if x == y:
            continue
        mx, my = envelope.match(x), envelope.match(y)
        if mx and my and mx.group(1) == my.group(1) and export_time(mx.group(2)) and export_time(my.group(2)):
            excepted += 1
            continue
        return "line %d: %r vs %r" % (i + 1, x[:80], y[:80]), excepted
    return None, excepted

failures = []
files = bytes_total = excepted_total = renamed = unstorable = 0
def read(folder, name):
    with open(os.path.join(folder, name), "rb") as f:
        return f.read()
for key in sorted(set(wine) & set(cli)):
    a, b = read(wine_dir, wine[key]), read(cli_dir, cli[key])
    files += 1
    bytes_total += len(a)
    problem, excepted = compare(a, b)
    excepted_total += excepted
    if problem:
        failures.append("%r: %s" % (key, problem))
# A character Shift-JIS lacks is recoded differently (Wine substitutes its own,
# the CLI writes '_'): such files are matched by content.
cli_left = {k: read(cli_dir, cli[k]) for k in set(cli) - set(wine)}
for k in set(wine) - set(cli):
    data = read(wine_dir, wine[k])
    match = next((c for c, v in cli_left.items() if v == data), None)
    if match is None:
        failures.append("plug-in file %r has no CLI counterpart" % wine[k])
        continue
    del cli_left[match]
    files += 1
    renamed += 1
    bytes_total += len(data)
# The CLI cuts a name to 255 bytes as written; the plug-in's name fits 255 bytes
# of Shift-JIS, but Wine cannot store its longer UTF-8 form.
for k in cli_left:
    if len(k) > 255 - 3:
        unstorable += 1
    else:
        failures.append("CLI file %r has no plug-in counterpart" % k)
if files == 0:
    failures.append("no output files to compare")
print("%s: %d file(s), %d bytes, %d export-time envelope line(s) excepted, "
      "%d name(s) recoded differently, %d name(s) Wine cannot store: %s" %
      (name, files, bytes_total, excepted_total, renamed, unstorable,
       "DIFFERENT" if failures else "identical"))
for failure in failures[:10]:
    print("  " + failure)
sys.exit(1 if failures else 0)
