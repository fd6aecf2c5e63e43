#!/usr/bin/env python3
"""Writes a deterministic mbox of plain English mail, text that no conversion
changes: us-ascii plain text, a third of the messages with a base64 attachment.

    make_ascii_mbox.py [--messages 2000] [--charset us-ascii] [--seed N] OUTPUT

With --charset iso-8859-1 the same text is labelled with a charset the export
never converts.
"""
import argparse
import base64
import random
import sys

WORDS = ("meeting report schedule please confirm the attached file thanks regards "
         "tomorrow project review draft").split()


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--messages", type=int, default=2000)
    parser.add_argument("--charset", default="us-ascii")
    parser.add_argument("--seed", type=int, default=7)
    parser.add_argument("output")
    args = parser.parse_args()
    rng = random.Random(args.seed)
    written = 0
    with open(args.output, "wb") as out:
        for index in range(args.messages):
            lines, total = [], 0
            while total < 5000:
                line = " ".join(rng.choice(WORDS) for _ in range(rng.randint(6, 14)))
                lines.append(line)
                total += len(line)
            head = ["From a@example.org Mon Jan  1 10:00:00 2024", "From: A <a@example.org>",
                    "To: b@example.org", "Subject: report %d" % index,
                    "Date: Mon, 1 Jan 2024 10:00:00 +0000", "Message-ID: <%d@example.org>" % index,
                    "MIME-Version: 1.0"]
            text = "Content-Type: text/plain; charset=%s" % args.charset
            if index % 3 == 0:
                boundary = "b%d" % index
                data = base64.encodebytes(rng.randbytes(rng.randint(20000, 100000))).decode()
                blob = "\n".join(head + ['Content-Type: multipart/mixed; boundary="%s"' % boundary, "",
                                         "--" + boundary, text, ""] + lines +
                                 ["--" + boundary, "Content-Type: application/octet-stream",
                                  "Content-Transfer-Encoding: base64", ""]) + "\n" + data + \
                    "--%s--\n" % boundary
            else:
                blob = "\n".join(head + [text, ""] + lines) + "\n"
            blob = (blob + "\n").encode("ascii")
            out.write(blob)
            written += len(blob)
    print("%s: %d messages, %.1f MB" % (args.output, args.messages, written / 1e6), file=sys.stderr)


if __name__ == "__main__":
    main()
