#!/usr/bin/env python3
"""Exports corpus messages with tessera-export as one mbox, reads it back with
Python's mailbox module and checks that every message comes back, whole, with
its text unchanged once the mboxrd quoting is undone; and that the converted
body of every single-part ISO-2022-JP or EUC-JP message decodes as cp932 to
the text Python's own codecs read from the source.
Usage: mbox_readback.py TESSERA_EXPORT CORPUS_DIR WORK_DIR   (exit 77: skipped)"""
import email, mailbox, os, re, shutil, subprocess, sys

CODECS = {"iso-2022-jp": "iso2022_jp_ext", "euc-jp": "euc_jp"}


def body_of(data):
    """The bytes after the header block, line breaks made LF."""
    data = data.replace(b"\r\n", b"\n").replace(b"\r", b"\n")
    cut = data.find(b"\n\n")
    return b"" if cut < 0 else data[cut + 2:]


def converted_text_matches(source, written):
    """None when the message is not a plain converted text, else True/False."""
    msg = email.message_from_bytes(source)
    charset = (msg.get_content_charset() or "").lower()
    cte = (msg.get("Content-Transfer-Encoding") or "7bit").strip().lower()
    if charset not in CODECS or msg.is_multipart() or cte not in ("7bit", "8bit"):
        return None
    try:
        expected = body_of(source).decode(CODECS[charset])
    except UnicodeDecodeError:
        return None  # text our reference cannot read (NEC rows, broken bytes)
    got = body_of(written).decode("cp932", "replace")
    return got.rstrip("\n") == expected.rstrip("\n")

exe, corpus, work = sys.argv[1:4]
index = os.path.join(corpus, "INDEX.tsv")
if not os.path.exists(index):
    print("SKIP: no corpus at", corpus, "(configure with -DTESSERA_CORPUS=DIR)")
    sys.exit(77)
inputs = []
for line in open(index, encoding="utf-8"):
    path, category = line.split("\t")[:2]
    full = os.path.join(corpus, path)
    if category in ("mbox", "other") or not os.path.isfile(full) or os.path.getsize(full) == 0:
        continue
    with open(full, "rb") as f:
        if f.read(5) == b"From ":
            continue
    inputs.append(full)
os.makedirs(work, exist_ok=True)
box = os.path.join(work, "readback.mbox")
if os.path.exists(box):
    os.remove(box)
subprocess.run([exe, "--quiet", "--format", "mbox", "--if-exists", "overwrite", "--output", box] + inputs,
               check=False)
sep_dir = os.path.join(work, "single")
os.makedirs(sep_dir, exist_ok=True)
messages = mailbox.mbox(box)
failures = 0
checked = 0
if len(messages) != len(inputs):
    print("FAIL: %d messages written, mailbox reads %d" % (len(inputs), len(messages)))
    sys.exit(1)
# The writer quotes "from " in any case (its rule), so undo it the same way.
quoted = re.compile(rb"^>(>*[Ff][Rr][Oo][Mm] )", re.M)
# In an mbox a Content-Length that no longer counts the body is left out.
content_length = re.compile(rb"^Content-Length:[^\n]*\n", re.M | re.I)


def without_content_length(data):
    """LF text with the Content-Length lines of its top header block removed."""
    data = data.replace(b"\r\n", b"\n")
    cut = data.find(b"\n\n")
    cut = len(data) if cut < 0 else cut + 1
    return content_length.sub(b"", data[:cut]) + data[cut:]

for i, path in enumerate(inputs):
    # The .eml export writes each message as the mbox does (the separator format
    # converts signed text, which the other two keep as it came).
    single = os.path.join(sep_dir, "%d" % i)
    shutil.rmtree(single, ignore_errors=True)
    subprocess.run([exe, "--quiet", "--format", "eml", "--output", single, path], check=False)
    written = os.listdir(single)
    expected = open(os.path.join(single, written[0]), "rb").read() if len(written) == 1 else b""
    got = quoted.sub(rb"\1", messages.get_bytes(i, from_=False))
    # The reader drops the blank line that ends each message and uses LF.
    if without_content_length(got).rstrip(b"\n") != without_content_length(expected).rstrip(b"\n"):
        failures += 1
        print("FAIL: message %d (%s) differs after reading back" % (i + 1, path))
    match = converted_text_matches(open(path, "rb").read(), expected)
    if match is not None:
        checked += 1
        if not match:
            failures += 1
            print("FAIL: message %d (%s): converted text is not the source's text" % (i + 1, path))
print("%d messages written, %d read back, %d converted texts checked against Python's codecs, %d failures"
      % (len(inputs), len(messages), checked, failures))
sys.exit(1 if failures else 0)
