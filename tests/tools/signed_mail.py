#!/usr/bin/env python3
"""Signs a Japanese message with a key and certificate made here, has the real
plug-in under Wine export it with both commands (Export_test.exe, test
SignedMail.ExportedByBothCommands) and checks that both exports still verify
(openssl cms -verify -noverify), where the same message converted does not.
Usage: signed_mail.py WIN_BIN_DIR"""
import os
import subprocess
import sys
import tempfile


def openssl(work, *args):
    return subprocess.run(["openssl"] + list(args), cwd=work, capture_output=True).returncode


def winpath(path):
    return subprocess.run(["winepath", "-w", path], capture_output=True, text=True,
                          check=True).stdout.strip()


def main():
    bin_dir = os.path.abspath(sys.argv[1])
    with tempfile.TemporaryDirectory(prefix="tessera-signed-") as work:
        if openssl(work, "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", "key.pem",
                   "-out", "cert.pem", "-subj", "/CN=tessera-test", "-days", "2") != 0:
            print("openssl cannot make a key")
            return 1
        # "日本語" in ISO-2022-JP: the text every export would otherwise convert.
        content = (b"Content-Type: text/plain; charset=iso-2022-jp\r\n\r\n"
                   b"\x1b$BF|K\\8l\x1b(B\r\n")
        with open(os.path.join(work, "content.txt"), "wb") as f:
            f.write(content)
        if openssl(work, "cms", "-sign", "-in", "content.txt", "-signer", "cert.pem",
                   "-inkey", "key.pem", "-out", "signed.txt") != 0:
            print("openssl cannot sign")
            return 1
        with open(os.path.join(work, "signed.txt"), "rb") as f:
            signed = f.read().replace(b"\r\n", b"\n").replace(b"\n", b"\r\n")
        message = (b"From: a@example.jp\r\nSubject: =?ISO-2022-JP?B?GyRCRnxLXDhsGyhC?=\r\n"
                   + signed)
        with open(os.path.join(work, "signed.eml"), "wb") as f:
            f.write(message)
        # The check can fail: the signed text converted no longer verifies.
        with open(os.path.join(work, "converted.txt"), "wb") as f:
            f.write(message.replace(b"\x1b$BF|K\\8l\x1b(B", "日本語".encode("cp932")))
        env = dict(os.environ, TESSERA_SIGNED_DIR=winpath(work))
        run = subprocess.run(["wine", os.path.join(bin_dir, "Export_test.exe"),
                              "--gtest_filter=SignedMail.*"], cwd=bin_dir, env=env,
                             capture_output=True, stdin=subprocess.DEVNULL, timeout=240)
        output = run.stdout.decode("utf-8", "replace")
        if run.returncode != 0 or "[  PASSED  ] 1 test" not in output:
            print(output)
            return 1
        results = {}
        for name in ["signed.eml", "converted.txt", "from-eml.txt", "from-mbox.txt"]:
            results[name] = openssl(work, "cms", "-verify", "-noverify", "-in", name,
                                    "-out", "verified.txt") == 0
            print("%-14s %s" % (name, "verifies" if results[name] else "does not verify"))
        expected = {"signed.eml": True, "converted.txt": False, "from-eml.txt": True,
                    "from-mbox.txt": True}
        return 0 if results == expected else 1


if __name__ == "__main__":
    sys.exit(main())
