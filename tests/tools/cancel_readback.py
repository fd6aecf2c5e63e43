#!/usr/bin/env python3
"""Cancels long exports of the real plug-in in the simulated host under Wine
(simhost --slow --cancel-after K) and reads what is left with Python's
mailbox module: K whole messages, byte for byte the first K of a whole
export, for mbox (103) and separator (105) files, and K .eml files (104).
Usage: cancel_readback.py WIN_BIN_DIR SAMPLES_DIR"""
import mailbox
import os
import re
import subprocess
import sys
import tempfile

KEPT = 9
SEPARATOR = "----- cut -----"
# 07 has no Date: its envelope carries the export time, which differs between runs.
SAMPLES = ["01-meeting", "02-euc-notice", "03-report-attachment", "04-alternative",
           "05-from-line", "06-quoted-subject", "08-q-encoded", "09-hankaku",
           "10-same-subject-a", "11-same-subject-b", "12-utf8"]


def winpath(path):
    return subprocess.run(["winepath", "-w", path], capture_output=True, text=True,
                          check=True).stdout.strip()


def export(bin_dir, samples_dir, work, save_type, extra):
    """Runs one stored-format export; returns simhost's output and the files written."""
    out = tempfile.mkdtemp(dir=work)
    plugin = tempfile.mkdtemp(dir=work)
    with open(os.path.join(bin_dir, "Tessera.dll"), "rb") as src, \
            open(os.path.join(plugin, "Tessera.dll"), "wb") as dst:
        dst.write(src.read())
    with open(os.path.join(plugin, "Tessera.ini"), "wb") as ini:
        ini.write(("[SETTING]\r\nSavePath=%s\\\r\nSaveType=%d\r\nSeparator=%s\r\n"
                   % (winpath(out), save_type, SEPARATOR)).encode("cp932"))
    inputs = [os.path.join(samples_dir, name + ".eml") for name in SAMPLES]
    run = subprocess.run(["wine", os.path.join(bin_dir, "simhost.exe"), "--plugin",
                          winpath(os.path.join(plugin, "Tessera.dll"))] + extra +
                         ["--do", "menu-init,stored,exit,buffers"] + inputs,
                         capture_output=True, stdin=subprocess.DEVNULL, timeout=120)
    files = {name: open(os.path.join(out, name), "rb").read() for name in sorted(os.listdir(out))}
    return run.stdout.decode("cp932", "replace"), files


def separated(data):
    """The messages of a separator file, each as written before its separator line."""
    parts = data.split((SEPARATOR + "\r\n").encode())
    assert parts[-1] == b"", "the file ends in a separator line"
    return parts[:-1]


def check(save_type, whole, cut, output):
    problems = []
    expect = lambda ok, what: ok or problems.append("%d: %s" % (save_type, what))
    expect("progress window: cancel pressed" in output, "Cancel was not pressed")
    expect(re.search(r"書き出したメール: %d / %d 通" % (KEPT, len(SAMPLES)), output),
           "the notice does not say %d of %d" % (KEPT, len(SAMPLES)))
    expect(re.search(r"live 0 bad 0", output), "host buffers leaked")
    if save_type == 104:
        expect(len(cut) == KEPT, "%d .eml files, not %d" % (len(cut), KEPT))
        for name, data in cut.items():
            expect(data == whole.get(name), name + " differs from the whole export's")
            expect(mailbox.Message(data)["From"], name + " reads back without its From")
        return problems
    (name, data), = cut.items()
    reference = whole[name]
    if save_type == 103:
        with tempfile.NamedTemporaryFile() as f, tempfile.NamedTemporaryFile() as g:
            f.write(data), f.flush(), g.write(reference), g.flush()
            got, full = mailbox.mbox(f.name), mailbox.mbox(g.name)
            expect(len(got) == KEPT, "mailbox reads %d messages, not %d" % (len(got), KEPT))
            for i in range(min(len(got), KEPT)):
                expect(got.get_bytes(i) == full.get_bytes(i), "message %d is not whole" % i)
            expect(data == reference[:len(data)], "not the whole export's beginning")
    else:
        got, full = separated(data), separated(reference)
        expect(len(got) == KEPT, "%d messages, not %d" % (len(got), KEPT))
        expect(got == full[:KEPT], "the messages differ from the whole export's first ones")
        expect(all(mailbox.Message(m)["From"] for m in got), "a message reads back without its From")
    return problems


def main(bin_dir, samples_dir):
    problems = []
    with tempfile.TemporaryDirectory() as work:
        for save_type in (103, 104, 105):
            _, whole = export(bin_dir, samples_dir, work, save_type, [])
            output, cut = export(bin_dir, samples_dir, work, save_type,
                                 ["--slow", "80", "--cancel-after", str(KEPT)])
            problems += check(save_type, whole, cut, output)
            print("%d: %d message(s) or file(s) checked" % (save_type, KEPT))
    for problem in problems:
        print("FAIL " + problem)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:3]))
