#!/usr/bin/env python3
"""The same job as tessera-export --format mbox, with the standard library only:
read an mbox, turn Japanese text parts and encoded headers into Shift-JIS
(cp932), and write one mbox with CR LF line ends. A yardstick for the benchmarks."""
import email.header
import email.utils
import mailbox
import sys
import time

JAPANESE = ("iso-2022-jp", "euc-jp")


def decoded_header(value):
    parts = []
    for data, charset in email.header.decode_header(value):
        if isinstance(data, str):
            parts.append(data)
        else:
            parts.append(data.decode(charset or "ascii", "replace"))
    return "".join(parts)


def envelope(message):
    _, address = email.utils.parseaddr(message.get("From", ""))
    try:
        stamp = email.utils.parsedate_to_datetime(message.get("Date", ""))
    except (TypeError, ValueError):
        stamp = None
    when = time.asctime(stamp.timetuple()) if stamp else time.asctime()
    return "From %s %s\r\n" % (address or "MAILER-DAEMON", when)


def convert_part(part, out):
    for name, value in part.items():
        text = decoded_header(value) if "=?" in value else value
        out.append(("%s: %s\r\n" % (name, text)).encode("cp932", "replace"))
    out.append(b"\r\n")
    if part.is_multipart():
        boundary = part.get_boundary().encode("ascii")
        for child in part.get_payload():
            out.append(b"--" + boundary + b"\r\n")
            convert_part(child, out)
        out.append(b"--" + boundary + b"--\r\n")
        return
    payload = part.get_payload(decode=False)
    charset = (part.get_content_charset() or "").lower()
    if isinstance(payload, str) and charset in JAPANESE:
        raw = payload.encode("raw-unicode-escape")
        payload = raw.decode(charset, "replace").encode("cp932", "replace")
    elif isinstance(payload, str):
        payload = payload.encode("raw-unicode-escape")
    for line in payload.splitlines():
        quoted = b">" + line if line.lstrip(b">").lower().startswith(b"from ") else line
        out.append(quoted + b"\r\n")


def main():
    if len(sys.argv) != 3:
        sys.exit("usage: py_export.py MBOX OUTPUT")
    with open(sys.argv[2], "wb") as target:
        for message in mailbox.mbox(sys.argv[1], create=False):
            out = [envelope(message).encode("ascii", "replace")]
            convert_part(message, out)
            out.append(b"\r\n")
            target.write(b"".join(out))


if __name__ == "__main__":
    main()
