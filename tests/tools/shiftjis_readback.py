#!/usr/bin/env python3
"""Exports the realistic Japanese samples (tests/fixtures/make_japanese_mail.py)
with tessera-export and reads them back as a user's mail reader would:

- every part the export converted is labelled Shift_JIS or MS932 and 7bit or
  8bit, and its text as Python's email (policy.default), glibc iconv and, when
  node is installed, a WHATWG decoder read it is the original text (characters
  Shift-JIS lacks as &#NNNNN; references, and only those; the Windows and Mac
  forms of one JIS character count as the same);
- an HTML part declares the charset its MIME label names;
- files and damaged or non-Japanese parts come back exactly as they were sent;
- Subject and sender decode as code page 932 to the original (references for
  what Shift-JIS lacks in a Subject; a sender's name that Shift-JIS cannot hold
  keeps its encoded words); the .eml file names are the Subjects in Shift-JIS
  ("_" for what it lacks).
With utf-8 (tessera-export --to utf-8): every converted part is labelled
UTF-8 and reads as the original with no reference at all; Subject and sender
are UTF-8 encoded words that decode to the original; the names are UTF-8.
Prints a table by source charset and transfer encoding.
Usage: shiftjis_readback.py TESSERA_EXPORT WORK_DIR [shift_jis|utf-8]
"""
import collections
import email
import email.header
import email.policy
import email.utils
import json
import mailbox
import os
import re
import shutil
import subprocess
import sys
import unicodedata

HERE = os.path.dirname(os.path.abspath(__file__))
FIXTURES = os.path.join(os.path.dirname(HERE), "fixtures", "make_japanese_mail.py")
# One JIS character, two Unicode forms: code page 932's and the JIS mapping's.
VARIANTS = str.maketrans({"\uff5e": "\u301c", "\u2225": "\u2016", "\uff0d": "\u2212", "\u2015": "\u2014",
                          "\uffe0": "\u00a2", "\uffe1": "\u00a3", "\uffe2": "\u00ac"})
REFERENCE = re.compile(r"&#(\d+);")
META_CHARSET = re.compile(r"(<meta[^>]*charset\s*=\s*[\"']?)([\w.:-]+)", re.I)
LABELS = {"shift_jis", "ms932"}


def normal(text):
    text = REFERENCE.sub(lambda m: chr(int(m.group(1))), text)
    text = unicodedata.normalize("NFC", text).translate(VARIANTS)
    return text.replace("\r\n", "\n").rstrip("\n")


def held_by_cp932(ch):
    try:
        ch.translate(VARIANTS).encode("cp932")
        return ch not in "\u0080\uf8f0\uf8f1\uf8f2\uf8f3"
    except UnicodeEncodeError:
        return False


def needless_references(text):
    """Characters written as references although Shift-JIS holds them."""
    return [chr(int(n)) for n in REFERENCE.findall(text) if held_by_cp932(chr(int(n)))]


def without_meta_charset(text):
    return META_CHARSET.sub(lambda m: m.group(1) + "X", text)


def iconv(label, data):
    result = subprocess.run(["iconv", "-f", label, "-t", "UTF-8"], input=data, capture_output=True)
    return result.stdout.decode("utf-8") if result.returncode == 0 else None


def whatwg(pairs):
    """Decodes (label, bytes) pairs with node's TextDecoder (fatal); None without node."""
    node = shutil.which("node")
    if not node or not pairs:
        return None
    script = ("const d=JSON.parse(require('fs').readFileSync(0,'utf8'));"
              "console.log(JSON.stringify(d.map(([l,h])=>{try{return new TextDecoder(l,{fatal:true})"
              ".decode(Buffer.from(h,'hex'))}catch(e){return null}})))")
    out = subprocess.run([node, "-e", script], input=json.dumps([[l, d.hex()] for l, d in pairs]).encode(),
                         capture_output=True, check=True)
    return json.loads(out.stdout)


def raw_header(block, name):
    match = re.search(rb"^" + name.encode() + rb":[ \t]*([^\r\n]*(?:\r\n[ \t][^\r\n]*)*)", block, re.M | re.I)
    return re.sub(rb"\r\n[ \t]", b" ", match.group(1)) if match else b""


def file_name(subject, utf8=False):
    """The name the export gives a Subject, as code page 932 text (UTF-8: every character kept)."""
    out = []
    for ch in subject:
        if not utf8 and not held_by_cp932(ch):
            ch = "_"
        out.append({'"': "'", ":": ";"}.get(ch, "=" if ch in "*/<>?\\|" else ch))
    return "".join(out).strip(" .") or "(noname)"


def decoded_words(header):
    return str(email.header.make_header(email.header.decode_header(header)))


class Checker:
    def __init__(self, utf8=False):
        self.utf8 = utf8
        self.labels = {"utf-8"} if utf8 else LABELS
        self.failures = []
        self.groups = collections.OrderedDict()
        self.whatwg_jobs = []  # (label, bytes, expected, where)

    def fail(self, where, what):
        self.failures.append("%s: %s" % (where, what))
        return False

    def converted(self, where, entry, part):
        label = (part.get_content_charset() or "").lower()
        cte = (part.get("Content-Transfer-Encoding") or "7bit").strip().lower()
        if label not in self.labels or cte not in ("7bit", "8bit"):
            return self.fail(where, "labelled %r %r, not converted" % (label, cte))
        text = part.get_content()
        expected = normal(entry["text"])
        payload = part.get_payload(decode=True)
        readers = {"python": text, "iconv": iconv(label, payload)}
        ok = True
        for reader, got in readers.items():
            if got is None or normal(without_meta_charset(got)) != normal(without_meta_charset(entry["text"])):
                ok = self.fail(where, "%s reads another text" % reader)
        if self.utf8 and len(REFERENCE.findall(text)) > len(REFERENCE.findall(entry["text"])):
            ok = self.fail(where, "references in UTF-8 text")
        if needless_references(text) and not self.utf8:
            ok = self.fail(where, "references for characters Shift-JIS holds: %r" % needless_references(text))
        if entry["subtype"] == "html":
            declared = {m.group(2).lower() for m in META_CHARSET.finditer(text)}
            if declared and declared != {label}:
                ok = self.fail(where, "HTML declares %s, label says %s" % (declared, label))
        self.whatwg_jobs.append((label, payload, expected, where, entry["subtype"]))
        return ok

    def kept(self, where, part, source):
        same = (part.get_payload(decode=False).replace("\r\n", "\n").rstrip("\n") ==
                source.get_payload(decode=False).replace("\r\n", "\n").rstrip("\n") and
                str(part.get("Content-Type")) == str(source.get("Content-Type")) and
                str(part.get("Content-Transfer-Encoding")) == str(source.get("Content-Transfer-Encoding")))
        return same or self.fail(where, "changed although it must stay as it came")

    def headers(self, where, raw, item):
        block = raw[:raw.find(b"\r\n\r\n")]
        ok = True
        for name, expected in (("Subject", item["subject"]), ("From", item["sender"] + " <sender@example.jp>")):
            if self.utf8:
                if not self.utf8_header(name, raw_header(block, name), item):
                    ok = self.fail(where, "%s reads %r" % (name, raw_header(block, name)))
                continue
            try:
                got = raw_header(block, name).decode("cp932")
            except UnicodeDecodeError:
                got = None
            # An address reads as the same name and address (a name may be quoted;
            # a name Shift-JIS cannot hold keeps its encoded words).
            if name == "From" and got is not None and "=?" in got:
                got = str(email.header.make_header(email.header.decode_header(got)))
            same = got is not None and (
                normal(got) == normal(expected) if name == "Subject" else
                email.utils.parseaddr(normal(got)) == email.utils.parseaddr(normal(expected)))
            if not same:
                ok = self.fail(where, "%s reads %r" % (name, got))
        for line in item["kept_headers"]:
            if (line + "\r\n").encode("ascii") not in block + b"\r\n":
                ok = self.fail(where, "header changed: %s..." % line[:40])
        return ok

    def utf8_header(self, name, raw, item):
        """A header of words only (ASCII) that decodes to the original."""
        try:
            text = raw.decode("ascii")
        except UnicodeDecodeError:
            return False
        if name == "Subject":
            return normal(decoded_words(text)) == normal(item["subject"])
        display, address = email.utils.parseaddr(text)
        return (normal(decoded_words(display)), address) == (normal(item["sender"]), "sender@example.jp")

    def message(self, index, item, raw, source_bytes):
        where = "%s" % item["file"]
        ok = self.headers(where, raw, item)
        leaves = [p for p in email.message_from_bytes(raw, policy=email.policy.default).walk()
                  if not p.is_multipart()]
        sources = [p for p in email.message_from_bytes(source_bytes, policy=email.policy.default).walk()
                   if not p.is_multipart()]
        if len(leaves) != len(item["parts"]):
            return self.fail(where, "%d parts read back, %d sent" % (len(leaves), len(item["parts"])))
        for n, (entry, part, source) in enumerate(zip(item["parts"], leaves, sources)):
            part_where = "%s part %d" % (where, n + 1)
            if entry["expect"] == "convert":
                good = self.converted(part_where, entry, part)
            else:
                good = self.kept(part_where, part, source)
            group = self.groups.setdefault((entry["charset"].lower(), entry["cte"], entry["expect"]), [0, 0])
            group[0] += 1
            group[1] += good
            ok = ok and good
        return ok

    def check_whatwg(self):
        decoded = whatwg([(label, payload) for label, payload, _, _, _ in self.whatwg_jobs])
        if decoded is None:
            return "not checked (no node)"
        for (label, _, expected, where, _), got in zip(self.whatwg_jobs, decoded):
            if got is None or normal(without_meta_charset(got)) != normal(without_meta_charset(expected)):
                self.fail(where, "a WHATWG decoder reads another text for %s" % label)
        return "%d parts decoded" % len(decoded)


def main():
    exe, work = sys.argv[1:3]
    target = sys.argv[3] if len(sys.argv) > 3 else "shift_jis"
    utf8 = target == "utf-8"
    samples = os.path.join(work, "samples")
    shutil.rmtree(work, ignore_errors=True)
    subprocess.run([sys.executable, FIXTURES, samples], check=True, stdout=subprocess.DEVNULL)
    manifest = json.load(open(os.path.join(samples, "manifest.json"), encoding="utf-8"))
    inputs = [os.path.join(samples, item["file"]) for item in manifest]
    box = os.path.join(work, "out.mbox")
    eml = os.path.join(work, "eml")
    os.makedirs(eml)
    env = dict(os.environ, LC_ALL="C.UTF-8")
    names = [] if utf8 else ["--names", "sjis"]
    subprocess.run([exe, "--quiet", "--to", target, "--format", "mbox", "--output", box] + inputs,
                   check=True, env=env)
    subprocess.run([exe, "--quiet", "--to", target] + names + ["--format", "eml", "--output", eml] + inputs,
                   check=True, env=env)
    checker = Checker(utf8)
    messages = mailbox.mbox(box)
    if len(messages) != len(manifest):
        print("FAIL: %d messages sent, %d read back" % (len(manifest), len(messages)))
        return 1
    whole = sum(checker.message(i, item, messages.get_bytes(i, from_=False), open(path, "rb").read())
                for i, (item, path) in enumerate(zip(manifest, inputs)))
    # Read as code page 932: a character it holds twice may come as either code.
    names = {os.fsencode(n).decode("utf-8" if utf8 else "cp932", "replace") for n in os.listdir(eml)}
    for item in manifest:
        expected = file_name(item["subject"], utf8) + ".eml"
        if expected not in names:
            checker.fail(item["file"], "no file named %r" % expected)
    whatwg_note = checker.check_whatwg()
    print("%-14s %-18s %-8s %6s %6s" % ("charset", "transfer", "expect", "parts", "ok"))
    for (charset, cte, expect), (count, good) in sorted(checker.groups.items()):
        print("%-14s %-18s %-8s %6d %6d" % (charset, cte, expect, count, good))
    print("%d of %d messages converted whole and read back (Python email, iconv); WHATWG: %s; "
          "%d file names checked" % (whole, len(manifest), whatwg_note, len(manifest)))
    for failure in checker.failures:
        print("FAIL: " + failure)
    return 1 if checker.failures else 0


if __name__ == "__main__":
    sys.exit(main())
