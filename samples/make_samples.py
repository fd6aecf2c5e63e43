#!/usr/bin/env python3
"""Writes the bundled sample messages (Japanese mail written for this project)."""
import base64, os

def b_word(text, charset="iso-2022-jp", codec=None):
    data = text.encode(codec or charset)
    return "=?%s?B?%s?=" % (charset.upper(), base64.b64encode(data).decode())

def jis(text):
    # NEC row 13 (circled digits and the like) is outside plain ISO-2022-JP: build it by hand.
    out = b""
    for ch in text:
        try:
            out += ch.encode("iso-2022-jp")
        except UnicodeEncodeError:
            s = ch.encode("cp932")
            hi, lo = s[0], s[1]
            row = (hi - 0x81) * 2 + 1 if hi < 0xA0 else (hi - 0xC1) * 2 + 1
            if lo >= 0x9F:
                row += 1; cell = lo - 0x9E
            else:
                cell = lo - 0x40 + 1 - (1 if lo > 0x7F else 0)
            out += b"\x1b$B" + bytes([row + 0x20, cell + 0x20]) + b"\x1b(B"
    return out.replace(b"\x1b(B\x1b$B", b"")

def crlf(s):
    return s.replace(b"\r\n", b"\n").replace(b"\n", b"\r\n")

def msg(headers, body):
    head = "".join("%s: %s\n" % kv for kv in headers).encode("ascii")
    return crlf(head + b"\n" + body)

out = {}
out["01-meeting.eml"] = msg([
    ("From", "%s <tanaka@example.jp>" % b_word("田中 一郎")),
    ("To", "suzuki@example.jp"),
    ("Subject", b_word("会議の議事録について")),
    ("Date", "Tue, 5 Mar 2002 09:07:03 +0900"),
    ("MIME-Version", "1.0"),
    ("Content-Type", "text/plain; charset=ISO-2022-JP"),
    ("Content-Transfer-Encoding", "7bit")],
    jis("鈴木さん\n\nお疲れさまです。田中です。\n昨日の会議の議事録を送ります。\n\nFrom the minutes: 次回は金曜日です。\n"))
out["02-euc-notice.eml"] = msg([
    ("From", "info@example.co.jp (%s)" % b_word("お知らせ係")),
    ("Subject", b_word("システム停止のお知らせ")),
    ("Date", "Wed, 13 Nov 2024 18:30:00 +0900"),
    ("MIME-Version", "1.0"),
    ("Content-Type", "text/plain; charset=EUC-JP"),
    ("Content-Transfer-Encoding", "8bit")],
    "各位\n\n11月16日（土）の夜間にシステムを停止します。\nご不便をおかけします。\n".encode("euc_jp"))
att = base64.encodebytes(bytes(range(256)) * 8).decode().replace("\n", "\r\n").encode()
out["03-report-attachment.eml"] = crlf(
    ("From: %s <sato@example.jp>\nSubject: %s\nDate: Mon, 2 Dec 2024 10:15:00 +0900\n"
     "MIME-Version: 1.0\nContent-Type: multipart/mixed; boundary=\"=_tessera_1\"\n\n"
     "This is a multi-part message in MIME format.\n--=_tessera_1\n"
     "Content-Type: text/plain; charset=ISO-2022-JP\nContent-Transfer-Encoding: 7bit\n\n"
     % (b_word("佐藤 花子"), b_word("月次報告書（１２月）"))).encode()
    + jis("月次報告書を添付します。\nご確認ください。\n")
    + b"\n--=_tessera_1\nContent-Type: application/octet-stream; name=\"report.bin\"\n"
      b"Content-Transfer-Encoding: base64\nContent-Disposition: attachment; filename=\"report.bin\"\n\n"
    + att + b"\n--=_tessera_1--\n")
out["04-alternative.eml"] = crlf(
    ("From: news@example.jp\nSubject: %s\nDate: Fri, 6 Dec 2024 07:00:00 +0900\n"
     "MIME-Version: 1.0\nContent-Type: multipart/alternative; boundary=alt42\n\n"
     "--alt42\nContent-Type: text/plain; charset=iso-2022-jp\n\n" % b_word("週刊ニュース 第１２号")).encode()
    + jis("今週のニュースです。\n") + b"\n--alt42\nContent-Type: text/html; charset=iso-2022-jp\n\n"
    + jis("<html><body><p>今週のニュースです。</p></body></html>\n") + b"--alt42--\n")
out["05-from-line.eml"] = msg([
    ("From", "yamada@example.jp"),
    ("Subject", "Re: [ml:123] a/b?"),
    ("Date", "Sat, 7 Dec 2024 12:00:00 +0900"),
    ("Content-Type", "text/plain; charset=us-ascii")],
    b"Hello,\n\nFrom here on the plan changes.\n>From the archive, nothing new.\nFromage is cheese.\n")
out["06-quoted-subject.eml"] = msg([
    ("From", "\"Kobayashi, Jiro\" <kobayashi@example.jp>"),
    ("Subject", "say \"hi\""),
    ("Date", "Sun, 8 Dec 2024 08:08:08 +0900"),
    ("Content-Type", "text/plain; charset=ISO-2022-JP")],
    jis("こんにちは。ＮＥＣ特殊文字：①②③ ㈱\n"))
out["07-nodate.eml"] = msg([
    ("From", "no-date@example.jp"),
    ("Subject", b_word("日付のないメール")),
    ("Content-Type", "text/plain; charset=ISO-2022-JP")],
    jis("このメールには Date ヘッダがありません。\n"))
out["08-q-encoded.eml"] = msg([
    ("From", "=?ISO-2022-JP?Q?=1B=24B4X=45l=1B=28B?= <kanto@example.jp>"),
    ("Subject", "=?ISO-2022-JP?Q?=1B=24B=45l=35=7E=1B=28B?= office"),
    ("Date", "5 Mar 2002 09:07 +0900"),
    ("Content-Type", "text/plain; charset=ISO-2022-JP")],
    jis("東京オフィスより。\n"))
out["09-hankaku.eml"] = msg([
    ("From", "kana@example.jp"),
    ("Subject", b_word("ﾊﾝｶｸｶﾅのテスト", "iso-2022-jp", "iso2022_jp_ext")),
    ("Date", "Mon, 9 Dec 2024 09:00:00 +0900"),
    ("Content-Type", "text/plain; charset=ISO-2022-JP")],
    b"\x1b(I" + "ﾊﾝｶｸ".encode("cp932") + b"\x1b(B ascii\n" + jis("全角カナ\n"))
out["10-same-subject-a.eml"] = msg([
    ("From", "a@example.jp"), ("Subject", b_word("同じ件名")),
    ("Date", "Tue, 10 Dec 2024 10:00:00 +0900"),
    ("Content-Type", "text/plain; charset=ISO-2022-JP")], jis("一通目です。\n"))
out["11-same-subject-b.eml"] = msg([
    ("From", "b@example.jp"), ("Subject", b_word("同じ件名")),
    ("Date", "Tue, 10 Dec 2024 11:00:00 +0900"),
    ("Content-Type", "text/plain; charset=ISO-2022-JP")], jis("二通目です。\n"))
out["12-utf8.eml"] = msg([
    ("From", "utf8@example.jp"), ("Subject", "CON"),
    ("Date", "Wed, 11 Dec 2024 23:59:59 +0900"),
    ("Content-Type", "text/plain; charset=utf-8")],
    "UTF-8 の本文も Shift-JIS になります。\n".encode("utf-8"))

here = os.path.dirname(os.path.abspath(__file__))
for name, data in out.items():
    with open(os.path.join(here, name), "wb") as f:
        f.write(data)
print("wrote %d samples" % len(out))
