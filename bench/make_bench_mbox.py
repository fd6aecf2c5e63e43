#!/usr/bin/env python3
"""Writes a deterministic mboxrd file of Japanese mail for the export benchmarks.

The mix follows ordinary Japanese mail: most messages are ISO-2022-JP plain
text with encoded Subjects, some EUC-JP, some multipart with an HTML
alternative, and a share with base64 attachments that carry most of the bytes.
"""
import argparse
import base64
import random
import sys

WORDS = ("会議 資料 確認 予定 連絡 お願い 本日 明日 来週 担当 報告 見積 "
         "請求書 納品 打ち合わせ 出張 東京 大阪 名古屋 福岡 営業部 開発部 総務 "
         "よろしく お疲れ様です 申し訳ありません ありがとうございます 対応 "
         "修正 仕様 設計 試験 結果 添付 ファイル 件名 返信 転送 日程 調整").split()
NAMES = ["山田 太郎", "佐藤 花子", "鈴木 一郎", "田中 美咲", "高橋 健", "伊藤 由美"]
ADDRS = ["yamada", "sato", "suzuki", "tanaka", "takahashi", "ito"]
DAYS = ["Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"]
MONTHS = ["Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"]


def sentence(rng):
    return "".join(rng.choice(WORDS) for _ in range(rng.randint(4, 12))) + "。"


def body_lines(rng, size):
    lines, total = [], 0
    while total < size:
        line = sentence(rng)
        if rng.random() < 0.02:
            line = "From " + line  # needs mboxrd quoting in the box
        lines.append(line)
        total += len(line.encode("utf-8"))
    return lines


def encoded_word(text, charset):
    data = base64.b64encode(text.encode(charset)).decode("ascii")
    return "=?%s?B?%s?=" % (charset.upper(), data)


def headers(rng, index, subject_charset):
    who = rng.randrange(len(NAMES))
    day = 1 + index % 28
    subject = "".join(rng.choice(WORDS) for _ in range(rng.randint(2, 5)))
    return [
        "Return-Path: <%s@example.co.jp>" % ADDRS[who],
        "Received: from mx%d.example.co.jp (mx.example.co.jp [192.0.2.%d])" % (index % 7, index % 250),
        "\tby mail.example.jp with ESMTP id %08X; Tue, %d Mar 2011 10:%02d:00 +0900" % (index, day, index % 60),
        "From: %s <%s@example.co.jp>" % (encoded_word(NAMES[who], subject_charset), ADDRS[who]),
        "To: %s <%s@example.jp>" % (encoded_word(NAMES[(who + 1) % 6], subject_charset), ADDRS[(who + 1) % 6]),
        "Subject: %s" % encoded_word(subject, subject_charset),
        "Date: %s, %d %s 2011 %02d:%02d:%02d +0900" % (
            DAYS[index % 7], day, MONTHS[index % 12], index % 24, index % 60, (index * 7) % 60),
        "Message-ID: <%d.bench@example.co.jp>" % index,
        "MIME-Version: 1.0",
    ]


def text_part(rng, charset, size):
    encoded = "\n".join(body_lines(rng, size)).encode(charset)
    return ["Content-Type: text/plain; charset=%s" % charset.upper(),
            "Content-Transfer-Encoding: 7bit" if charset == "iso-2022-jp" else
            "Content-Transfer-Encoding: 8bit", ""], encoded


def attachment(rng, size):
    raw = rng.randbytes(size)
    data = base64.encodebytes(raw)
    return (b"Content-Type: application/octet-stream; name=\"data.bin\"\n"
            b"Content-Transfer-Encoding: base64\n"
            b"Content-Disposition: attachment; filename=\"data.bin\"\n\n" + data)


def message(rng, index, attach_size):
    charset = "euc-jp" if index % 10 == 3 else "iso-2022-jp"
    head = headers(rng, index, "iso-2022-jp")
    part_head, text = text_part(rng, charset, rng.randint(1500, 6000))
    if attach_size == 0:
        return ("\n".join(head + part_head)).encode("ascii") + b"\n" + text + b"\n"
    boundary = "----=_Part_%d" % index
    out = ("\n".join(head + ['Content-Type: multipart/mixed; boundary="%s"' % boundary, "",
                             "--" + boundary] + part_head)).encode("ascii") + b"\n" + text + b"\n"
    out += ("--%s\n" % boundary).encode("ascii") + attachment(rng, attach_size)
    return out + ("--%s--\n" % boundary).encode("ascii")


def mboxrd_quote(data):
    out = []
    for line in data.split(b"\n"):
        stripped = line.lstrip(b">")
        out.append(b">" + line if stripped.startswith(b"From ") else line)
    return b"\n".join(out)


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--messages", type=int, default=2000)
    parser.add_argument("--size-mb", type=float, default=100.0, help="approximate total size")
    parser.add_argument("--attach-share", type=float, default=0.3, help="share of messages with an attachment")
    parser.add_argument("--seed", type=int, default=20110305)
    parser.add_argument("--crlf", action="store_true", help="CR LF line ends instead of LF")
    parser.add_argument("output")
    args = parser.parse_args()
    rng = random.Random(args.seed)
    every = max(1, round(1 / args.attach_share))
    attached = (args.messages + every - 1) // every
    text_bytes = args.messages * 5000
    attach_total = max(0.0, args.size_mb * 1e6 - text_bytes)
    mean_raw = attach_total / attached * 3 / 4  # base64 grows 4/3
    written = 0
    with open(args.output, "wb") as out:
        for index in range(args.messages):
            size = int(rng.uniform(0.2, 1.8) * mean_raw) if index % every == 0 else 0
            data = mboxrd_quote(message(rng, index, size))
            if args.crlf:
                data = data.replace(b"\n", b"\r\n")
            envelope = "From bench@example.co.jp %s %s %2d 10:00:00 2011\n" % (
                DAYS[index % 7], MONTHS[index % 12], 1 + index % 28)
            blob = envelope.encode("ascii") + data + b"\n"
            if args.crlf:
                blob = blob.replace(b"\n", b"\r\n").replace(b"\r\r\n", b"\r\n")
            out.write(blob)
            written += len(blob)
    print("%s: %d messages, %.1f MB" % (args.output, args.messages, written / 1e6), file=sys.stderr)


if __name__ == "__main__":
    main()
