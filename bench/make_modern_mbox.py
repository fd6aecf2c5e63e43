#!/usr/bin/env python3
"""Writes a deterministic mboxrd file of modern Japanese mail for the export
benchmarks: mostly UTF-8, with base64 and quoted-printable text, HTML
alternatives (with charset declarations), emoji and attachments; a share of
ISO-2022-JP and 8bit UTF-8 mailing-list mail.

    make_modern_mbox.py [--messages 2000] [--size-mb 100] [--seed N] OUTPUT
"""
import argparse
import base64
import quopri
import random
import sys

WORDS = ("会議 資料 確認 予定 連絡 お願い 本日 明日 来週 担当 報告 見積 請求書 納品 打ち合わせ "
         "出張 東京 大阪 福岡 営業部 開発部 よろしく お疲れ様です ありがとうございます 対応 修正 "
         "仕様 設計 試験 結果 添付 ファイル 返信 転送 日程 調整 ～ ① ㈱ 髙橋 ﾃｽﾄ 🎉 👍 😊 ❤️").split()
NAMES = ["山田 太郎", "佐藤 花子", "鈴木 一郎", "田中 美咲", "高橋 健", "伊藤 由美"]
DAYS = ["Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"]
MONTHS = ["Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"]


def sentence(rng):
    return "".join(rng.choice(WORDS) for _ in range(rng.randint(4, 14))) + "。"


def plain_text(rng, size):
    lines, total = [], 0
    while total < size:
        line = sentence(rng) if rng.random() < 0.85 else "Please see the attached file for details."
        lines.append(line)
        total += len(line.encode("utf-8"))
    return "\n".join(lines) + "\n"


def html_text(plain):
    rows = "".join('<div style="font-family:sans-serif;font-size:14px">%s</div>\n' % line
                   for line in plain.split("\n") if line)
    return ('<html><head><meta http-equiv="Content-Type" content="text/html; charset=utf-8">'
            "<style>p{margin:0}</style></head><body>\n%s</body></html>\n" % rows)


def word(text):
    return "=?UTF-8?B?%s?=" % base64.b64encode(text.encode("utf-8")).decode()


def crlf(data):
    return data.replace(b"\r\n", b"\n").replace(b"\n", b"\r\n")


def part(ctype, cte, raw, extra=""):
    body = base64.encodebytes(raw) if cte == "base64" else quopri.encodestring(raw) if cte == "quoted-printable" else raw
    return crlf(("Content-Type: %s%s\nContent-Transfer-Encoding: %s\n\n" % (ctype, extra, cte)).encode()) + crlf(body)


def multipart(subtype, parts, boundary):
    out = ('Content-Type: multipart/%s; boundary="%s"\r\n\r\n' % (subtype, boundary)).encode()
    for p in parts:
        out += ("--%s\r\n" % boundary).encode() + p + b"\r\n"
    return out + ("--%s--\r\n" % boundary).encode()


def attachment(rng, size):
    name = rng.choice(["資料.pdf", "写真.jpg", "見積書.xlsx"])
    return part("application/octet-stream", "base64", rng.randbytes(size),
                '; name="%s"\r\nContent-Disposition: attachment; filename="%s"' % (word(name), word(name)))


def message(rng, index, attach_size):
    who = rng.randrange(len(NAMES))
    subject = "".join(rng.choice(WORDS) for _ in range(rng.randint(2, 6)))
    head = ["From: %s <user%d@example.jp>" % (word(NAMES[who]), who), "To: team@example.jp",
            "Subject: " + word(subject),
            "Date: %s, %d %s 2024 %02d:%02d:00 +0900" % (DAYS[index % 7], 1 + index % 28, MONTHS[index % 12],
                                                         index % 24, index % 60),
            "Message-ID: <%d.modern@example.jp>" % index, "MIME-Version: 1.0"]
    text = plain_text(rng, rng.randint(1500, 8000))
    shape = rng.choices(["webmail", "phone", "desktop", "jis", "list"], [45, 20, 15, 10, 10])[0]
    raw = text.encode("utf-8")
    if shape == "webmail":
        body = multipart("alternative", [part('text/plain; charset="UTF-8"', "base64", raw),
                                         part('text/html; charset="UTF-8"', "quoted-printable",
                                              html_text(text).encode())], "000000000000%08x" % index)
    elif shape == "phone":
        body = part("text/plain; charset=utf-8", "quoted-printable", raw)
    elif shape == "desktop":
        body = multipart("alternative", [part('text/plain; charset="utf-8"', "base64", raw),
                                         part('text/html; charset="utf-8"', "base64", html_text(text).encode())],
                         "----=_NextPart_%08x" % index)
    elif shape == "jis":
        body = part("text/plain; charset=ISO-2022-JP", "7bit",
                    text.encode("iso2022_jp", errors="ignore"))
    else:
        body = part("text/plain; charset=UTF-8", "8bit", raw)
    if attach_size:
        body = multipart("mixed", [body, attachment(rng, attach_size)], "mixed_%08x" % index)
    return crlf("\n".join(head).encode() + b"\n") + body


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--messages", type=int, default=2000)
    parser.add_argument("--size-mb", type=float, default=100.0)
    parser.add_argument("--seed", type=int, default=20240408)
    parser.add_argument("output")
    args = parser.parse_args()
    rng = random.Random(args.seed)
    attached = (args.messages + 2) // 3
    text_bytes = args.messages * 16000
    mean = max(0.0, args.size_mb * 1e6 - text_bytes) / attached * 3 / 4
    written = 0
    with open(args.output, "wb") as out:
        for index in range(args.messages):
            size = int(rng.uniform(0.2, 1.8) * mean) if index % 3 == 0 else 0
            data = message(rng, index, size)
            lines = [b">" + l if l.lstrip(b">").startswith(b"From ") else l for l in data.split(b"\r\n")]
            blob = ("From user@example.jp %s %s %2d 10:00:00 2024\r\n" % (
                DAYS[index % 7], MONTHS[index % 12], 1 + index % 28)).encode() + b"\r\n".join(lines) + b"\r\n"
            out.write(blob)
            written += len(blob)
    print("%s: %d messages, %.1f MB" % (args.output, args.messages, written / 1e6), file=sys.stderr)


if __name__ == "__main__":
    main()
