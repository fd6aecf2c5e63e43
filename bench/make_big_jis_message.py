#!/usr/bin/env python3
"""Writes one message of 40 MB of ISO-2022-JP text lines: make_big_jis_message.py FILE."""
import random, sys
rng, words = random.Random(1), "会議 資料 確認 予定 連絡 お願い 本日 明日 来週 担当 報告 見積".split()
head = (b"From: a@example.jp\r\nSubject: big\r\nDate: Sat, 07 Dec 2024 12:00:00 +0900\r\n"
        b"Content-Type: text/plain; charset=ISO-2022-JP\r\n\r\n")
with open(sys.argv[1], "wb") as f:
    f.write(head)
    size = 0
    while size < 40_000_000:
        line = ("".join(rng.choice(words) for _ in range(8)) + "。").encode("iso2022_jp") + b"\r\n"
        f.write(line)
        size += len(line)
