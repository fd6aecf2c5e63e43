#!/usr/bin/env python3
"""Interrupts and starves tessera-export and checks what it leaves: a child
killed (SIGKILL) at a random moment, and a disk that fills (a small tmpfs
mounted under the work folder). After every fault Python's mailbox must read
only whole messages, and what the target held before must be there byte for
byte: a replacement leaves the old file or the whole new one, an append the
old content followed by whole messages.
Usage: export_faults.py TESSERA_EXPORT SAMPLES_DIR WORK_DIR [TRIALS]"""
import glob, mailbox, os, random, shutil, signal, subprocess, sys, time

exe, samples, work = sys.argv[1:4]
trials = int(sys.argv[4]) if len(sys.argv) > 4 else 40
failures = []
# System error texts in English, whatever the caller's locale.
os.environ["LC_ALL"] = "C.UTF-8"


def check(ok, what):
    if not ok:
        failures.append(what)
    return ok


def export(args, **kw):
    return subprocess.run([exe, "--quiet", "--format", "mbox"] + args, stdin=subprocess.DEVNULL,
                          capture_output=True, **kw)


def starts_of(data):
    """Where the messages of an mbox Tessera wrote begin (its body "From " lines are quoted)."""
    starts, at = [], 0
    while at != -1:
        starts.append(at)
        at = data.find(b"\nFrom ", at)
        at = at + 1 if at != -1 else -1
    return starts


def mailbox_count(path):
    return sum(1 for _ in mailbox.mbox(path))


shutil.rmtree(work, ignore_errors=True)
os.makedirs(work)
# Samples with a Date of their own, so that every run writes the same bytes.
names = sorted(n for n in glob.glob(os.path.join(samples, "*.eml")) if "nodate" not in n)
inputs = os.path.join(work, "inputs.mbox")
export(["--output", inputs] + names * 40)
old_path = os.path.join(work, "old.mbox")
export(["--output", old_path] + names[:3])
old = open(old_path, "rb").read()
reference = os.path.join(work, "reference.mbox")
shutil.copy(old_path, reference)
export(["--if-exists", "append", "--output", reference, inputs])
appended = open(reference, "rb").read()[len(old):]
# The lengths an interrupted append may leave: the old file plus whole messages.
boundaries = [len(old) + at for at in starts_of(appended)] + [len(old) + len(appended)]
start = time.monotonic()
export(["--if-exists", "overwrite", "--output", os.path.join(work, "timing.mbox"), inputs])
duration = time.monotonic() - start
full_new = open(os.path.join(work, "timing.mbox"), "rb").read()


def kill_trial(mode, n):
    target = os.path.join(work, "%s-%d.mbox" % (mode, n))
    shutil.copy(old_path, target)
    child = subprocess.Popen([exe, "--quiet", "--format", "mbox", "--if-exists", mode, "--output", target,
                              inputs], stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                             stderr=subprocess.DEVNULL)
    time.sleep(random.uniform(0, duration * 1.2))
    child.send_signal(signal.SIGKILL)
    finished = child.wait() == 0
    data = open(target, "rb").read()
    where = "%s trial %d" % (mode, n)
    if mode == "overwrite":
        check(data == old or data == full_new, where + ": neither the old file nor the whole new one")
        return finished, data == old
    if not check(data.startswith(old), where + ": the old content changed"):
        return finished, False
    cut = len(data)
    check(cut in boundaries, where + ": the file ends inside a message (%d bytes)" % cut)
    whole = boundaries.index(cut) if cut in boundaries else -1
    check(mailbox_count(target) == mailbox_count(old_path) + whole, where + ": mailbox reads other messages")
    check(data == old + appended[:cut - len(old)], where + ": appended bytes differ")
    return finished, cut == len(old)


for mode in ("overwrite", "append"):
    outcomes = [kill_trial(mode, n) for n in range(trials)]
    done = sum(1 for finished, _ in outcomes if finished)
    untouched = sum(1 for _, same in outcomes if same)
    # A killed process cannot remove its new file: it stays beside the target, hidden.
    leftovers = len(glob.glob(os.path.join(work, ".tessera-*.tmp")))
    print("%s: %d kills, %d finished first, %d left the old file as it was, %d unfinished new files" %
          (mode, trials, done, untouched, leftovers))
    for leftover in glob.glob(os.path.join(work, ".tessera-*.tmp")):
        os.remove(leftover)

# An interrupt (Ctrl-C) is a clean stop: the old file as it was, nothing left beside it.
stopped = 0
for n in range(max(3, trials // 8)):
    target = os.path.join(work, "interrupted.mbox")
    shutil.copy(old_path, target)
    child = subprocess.Popen([exe, "--quiet", "--format", "mbox", "--if-exists", "overwrite", "--output",
                              target, inputs], stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                             stderr=subprocess.PIPE)
    time.sleep(random.uniform(0, duration))
    child.send_signal(signal.SIGINT)
    err = child.communicate()[1]
    data = open(target, "rb").read()
    stopped += b"interrupted" in err
    check(data == old or (child.returncode == 0 and data == full_new), "interrupt %d: target changed" % n)
    check(not glob.glob(os.path.join(work, ".tessera-*.tmp")), "interrupt %d: a new file was left" % n)
print("interrupt: %d of %d stopped cleanly in the middle" % (stopped, max(3, trials // 8)))

# A full disk: a tmpfs too small for the whole export.
disk = os.path.join(work, "small")
os.makedirs(disk)
if subprocess.run(["mount", "-t", "tmpfs", "-o", "size=%dk" % (len(old) // 1024 + 64), "tessera-test", disk],
                  capture_output=True).returncode != 0:
    print("disk full: SKIP (cannot mount a tmpfs)")
else:
    try:
        for mode in ("overwrite", "append"):
            target = os.path.join(disk, "box.mbox")
            shutil.copy(old_path, target)
            result = export(["--if-exists", mode, "--output", target, inputs])
            data = open(target, "rb").read()
            check(result.returncode == 1, "disk full %s: exit %d" % (mode, result.returncode))
            check(b"No space left on device" in result.stderr, "disk full %s: %r" % (mode, result.stderr))
            check(os.listdir(disk) == ["box.mbox"], "disk full %s: left %s" % (mode, os.listdir(disk)))
            if mode == "overwrite":
                check(data == old, "disk full overwrite: the old file changed")
            else:
                check(data.startswith(old) and len(data) in boundaries and len(data) > len(old),
                      "disk full append: %d bytes, not old content and whole messages" % len(data))
            print("disk full %s: exit %d, %d bytes kept" % (mode, result.returncode, len(data)))
            os.remove(target)
    finally:
        subprocess.run(["umount", disk])

for failure in failures[:20]:
    print("FAIL:", failure)
shutil.rmtree(work, ignore_errors=True)
sys.exit(1 if failures else 0)
