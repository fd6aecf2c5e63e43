#!/usr/bin/env python3
"""Writes a deterministic corpus of realistic Japanese mail for benchmarks.

Messages: ISO-2022-JP and EUC-JP text, encoded-word Subject/From headers,
multipart/mixed with base64 attachments (10 KB - 2 MB), multipart/alternative,
a few us-ascii and UTF-8 ones, and one message with a large attachment.

    gen_corpus.py --eml-dir DIR [--mbox FILE] [--count 2000] [--seed 1]
                  [--big-mb 50] [--target-mb 100]
"""
import argparse
import base64
import os
import random
from email.header import Header

KANA = ("あいうえおかきくけこさしすせそたちつてとなにぬねのはひふへほまみむめもやゆよ"
        "らりるれろわをんがぎぐげござじずぜぞだでどばびぶべぼぱぴぷぺぽ"
        "アイウエオカキクケコサシスセソタチツテトナニヌネノハヒフヘホマミムメモ")
KANJI = "日本語電子郵便会議資料添付確認予定今週来月報告担当者連絡変更送信受信東京大阪案件見積請求"
ASCII_WORDS = ("meeting report schedule attached please find the latest version of "
               "our draft review comments thanks regards project").split()
CRLF = "\r\n"


def japanese_line(rng, chars):
    pool = KANA + KANJI
    return "".join(rng.choice(pool) for _ in range(chars)) + "。"


def ascii_line(rng):
    return " ".join(rng.choice(ASCII_WORDS) for _ in range(rng.randint(6, 12)))


def text_body(rng, charset, lines):
    out = []
    for _ in range(lines):
        if charset == "us-ascii":
            line = ascii_line(rng)
        else:
            line = japanese_line(rng, rng.randint(20, 34))
        if rng.random() < 0.02:
            line = "From " + ascii_line(rng)  # needs escaping in an mbox
        out.append(line.encode(charset, errors="replace"))
    return b"\r\n".join(out) + b"\r\n"


def encoded_word(text, charset):
    return Header(text, charset).encode()


def common_headers(rng, index, charset):
    day = 1 + index % 28
    subject = "件名" + japanese_line(rng, rng.randint(4, 12)) + str(index)
    name = "送信者" + "".join(rng.choice(KANJI) for _ in range(2))
    word_charset = "iso-2022-jp" if charset in ("iso-2022-jp", "euc-jp") else "utf-8"
    if charset == "us-ascii":
        subject, from_field = "Report %d" % index, "Sender <user%d@example.com>" % index
    else:
        from_field = "%s <user%d@example.jp>" % (encoded_word(name, word_charset), index)
        subject = encoded_word(subject, word_charset)
    return [
        "From: " + from_field,
        "To: team@example.jp",
        "Subject: " + subject,
        "Date: Mon, %d Apr 2024 %02d:%02d:%02d +0900" % (day, index % 24, index % 60, (index * 7) % 60),
        "Message-ID: <%d.%d@example.jp>" % (index, rng.randint(0, 1 << 30)),
        "MIME-Version: 1.0",
    ]


def text_entity(rng, charset, lines):
    head = ["Content-Type: text/plain; charset=" + charset, "Content-Transfer-Encoding: 7bit"
            if charset != "utf-8" else "Content-Transfer-Encoding: 8bit"]
    return (CRLF.join(head) + CRLF + CRLF).encode("ascii") + text_body(rng, charset, lines)


def html_entity(rng, charset, lines):
    body = text_body(rng, charset, lines).replace(b"\r\n", b"<br>\r\n")
    head = "Content-Type: text/html; charset=%s%s%s" % (charset, CRLF, CRLF)
    return head.encode("ascii") + b"<html><body>\r\n" + body + b"</body></html>\r\n"


def attachment_entity(rng, size):
    name = "file%d.bin" % rng.randint(0, 99999)
    kind = rng.choice(["application/pdf", "image/png", "application/octet-stream", "image/jpeg"])
    data = base64.encodebytes(rng.randbytes(size)).replace(b"\n", b"\r\n")
    head = ("Content-Type: %s; name=\"%s\"%sContent-Transfer-Encoding: base64%s"
            "Content-Disposition: attachment; filename=\"%s\"%s%s") % (
                kind, name, CRLF, CRLF, name, CRLF, CRLF)
    return head.encode("ascii") + data


def multipart(rng, subtype, parts, tag):
    boundary = "=_%s_%08x" % (tag, rng.randint(0, 1 << 32))
    out = [("Content-Type: multipart/%s;%s\tboundary=\"%s\"%s%s" % (
        subtype, CRLF, boundary, CRLF, CRLF)).encode("ascii"),
        b"This is a multi-part message in MIME format.\r\n"]
    for part in parts:
        out.append(("--%s\r\n" % boundary).encode("ascii"))
        out.append(part)
    out.append(("--%s--\r\n" % boundary).encode("ascii"))
    return b"".join(out)


def attachment_size(rng):
    # Mostly small, a long tail up to 2 MB.
    return int(10_000 * 200 ** (rng.random() ** 12))


def make_message(rng, index, big_bytes=0):
    charset = rng.choices(["iso-2022-jp", "euc-jp", "utf-8", "us-ascii"], [60, 20, 12, 8])[0]
    headers = common_headers(rng, index, charset)
    kind = "mixed" if big_bytes else rng.choices(["text", "alternative", "mixed"], [50, 30, 20])[0]
    lines = rng.randint(20, 200)
    if kind == "text":
        body = text_entity(rng, charset, lines)
    elif kind == "alternative":
        body = multipart(rng, "alternative", [text_entity(rng, charset, lines),
                                              html_entity(rng, charset, lines)], "alt")
    else:
        sizes = [big_bytes] if big_bytes else [attachment_size(rng) for _ in range(rng.choice([1, 1, 1, 2]))]
        inner = [text_entity(rng, charset, lines)]
        if rng.random() < 0.3:
            inner = [multipart(rng, "alternative", [text_entity(rng, charset, lines),
                                                    html_entity(rng, charset, lines)], "alt")]
        body = multipart(rng, "mixed", inner + [attachment_entity(rng, s) for s in sizes], "mix")
    return (CRLF.join(headers) + CRLF).encode("ascii") + body


def mbox_entry(message, index):
    lines = message.split(b"\r\n")
    escaped = [b">" + l if l.startswith(b"From ") else l for l in lines]
    envelope = b"From user%d@example.jp Mon Apr  1 00:00:00 2024" % index
    return envelope + b"\n" + b"\n".join(escaped) + b"\n"


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--eml-dir")
    parser.add_argument("--mbox")
    parser.add_argument("--count", type=int, default=2000)
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--big-mb", type=float, default=50.0, help="0: no big message")
    parser.add_argument("--target-mb", type=float, default=100.0,
                        help="stop adding ordinary messages once this much is written")
    args = parser.parse_args()
    if not args.eml_dir and not args.mbox:
        parser.error("give --eml-dir and/or --mbox")
    rng = random.Random(args.seed)
    if args.eml_dir:
        os.makedirs(args.eml_dir, exist_ok=True)
    mbox = open(args.mbox, "wb") if args.mbox else None
    total = 0
    written = 0
    big_raw = int(args.big_mb * 1_000_000 * 3 / 4 * 76 / 78)
    for index in range(args.count):
        big = big_raw if index == 0 and args.big_mb > 0 else 0
        if not big and total >= args.target_mb * 1_000_000:
            break
        message = make_message(rng, index, big)
        total += len(message)
        written += 1
        if args.eml_dir:
            with open(os.path.join(args.eml_dir, "msg%05d.eml" % index), "wb") as f:
                f.write(message)
        if mbox:
            mbox.write(mbox_entry(message, index))
    if mbox:
        mbox.close()
    print("wrote %d messages, %.1f MB" % (written, total / 1e6))


if __name__ == "__main__":
    main()
