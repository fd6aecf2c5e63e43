#include "host/MimeHeaderDecoder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>

#include "mailstore/Iso2022JpConverter.h"
#include "tests/support/HexBytes.h"

namespace tessera {
namespace {

using tessera::testing::Hex;

struct Case {
    const char* name;
    std::string input;
    std::string expected;  // bytes
};

void ExpectTable(const std::vector<Case>& cases) {
    for (const Case& c : cases) {
        EXPECT_EQ(Hex(DecodeMimeHeader(c.input)), Hex(c.expected)) << c.name << ": " << c.input;
    }
}

// "こんにちは" in ISO-2022-JP, as the bytes an encoded word carries.
const std::string kHello = "\x1B$B$3$s$K$A$O\x1B(B";

TEST(DecodeMimeHeader, TextWithoutWordsUnchanged) {
    ExpectTable({
        {"empty", "", ""},
        {"plain header", "From: a@example.com\r\n", "From: a@example.com\r\n"},
        {"blank line", "\r\n", "\r\n"},
        {"raw ISO-2022-JP kept", "Subject: " + kHello + "\r\n", "Subject: " + kHello + "\r\n"},
        {"lone =?", "a =? b\r\n", "a =? b\r\n"},
    });
}

TEST(DecodeMimeHeader, BAndQWordsKeepTheirBytes) {
    ExpectTable({
        {"B word", "Subject: =?ISO-2022-JP?B?GyRCJDMkcyRLJEEkTxsoQg==?=\r\n",
         "Subject: " + kHello + "\r\n"},
        {"lower-case b and charset", "=?iso-2022-jp?b?GyRCJDMkcyRLJEEkTxsoQg==?=", kHello},
        {"Q word with escapes", "=?ISO-2022-JP?Q?=1B$B$3$s$K$A$O=1B(B?=", kHello},
        {"Q underscore is space, hex either case", "=?us-ascii?q?a_b=3d=3D?=", "a b=="},
        {"UTF-8 bytes stay UTF-8", "=?UTF-8?B?44GC?=", "\xE3\x81\x82"},
        {"RFC 2231 language", "=?iso-2022-jp*ja?B?GyRCJDMkcyRLJEEkTxsoQg==?=", kHello},
        {"word inside quotes", "\"=?us-ascii?Q?Kiji?=\" <k@example.com>",
         "\"Kiji\" <k@example.com>"},
        {"empty payload",
         "a=?us-ascii?Q?"
         "?=b",
         "ab"},
    });
}

TEST(DecodeMimeHeader, WhiteSpaceBetweenWords) {
    ExpectTable({
        {"space dropped", "=?us-ascii?B?QUI=?= =?us-ascii?B?QQ==?=", "ABA"},
        {"folding CR LF + blank dropped", "=?us-ascii?B?QUI=?=\r\n =?us-ascii?B?QQ==?=\r\n",
         "ABA\r\n"},
        {"folding CR LF + tab dropped", "=?us-ascii?B?QUI=?=\r\n\t=?us-ascii?B?QQ==?=", "ABA"},
        {"no space at all", "=?us-ascii?B?QUI=?==?us-ascii?B?QQ==?=", "ABA"},
        {"text before word keeps its space", "Re: =?us-ascii?B?QUI=?=", "Re: AB"},
        {"text after word keeps its space", "=?us-ascii?B?QUI=?= x\r\n", "AB x\r\n"},
        {"text between words kept", "=?us-ascii?B?QUI=?= x =?us-ascii?B?QQ==?=", "AB x A"},
        {"character split across words joins",
         "=?ISO-2022-JP?B?GyRCMA==?=\r\n =?ISO-2022-JP?B?IRsoQg==?=\r\n", "\x1B$B0!\x1B(B\r\n"},
    });
}

// Padding in the wild: a stray '=' after complete groups, "==" after a
// group that needs one, none at all.
TEST(DecodeMimeHeader, LenientPadding) {
    ExpectTable({
        {"no padding", "=?us-ascii?B?QUI?=", "AB"},
        {"extra padding", "=?us-ascii?B?QUI==?=", "AB"},
        {"stray = after full group", "=?us-ascii?B?QUJD=?=", "ABC"},
    });
}

// A malformed word stays exactly as written, and so does the white space
// around it; the words beside it still decode.
TEST(DecodeMimeHeader, MalformedWordsStayAsWritten) {
    ExpectTable({
        {"bad base64 byte", "=?utf-8?B?QU@C?=", "=?utf-8?B?QU@C?="},
        {"base64 data after padding", "=?utf-8?B?QQ==QUJD?=", "=?utf-8?B?QQ==QUJD?="},
        {"base64 lone 6 bits", "=?utf-8?B?QUJDR?=", "=?utf-8?B?QUJDR?="},
        {"bad Q hex", "=?utf-8?Q?=ZZ?=", "=?utf-8?Q?=ZZ?="},
        {"Q = cut off", "=?utf-8?Q?ab=4?=", "=?utf-8?Q?ab=4?="},
        {"missing ?=", "=?utf-8?B?QUJD\r\n", "=?utf-8?B?QUJD\r\n"},
        {"unknown encoding letter", "=?utf-8?X?QUJD?=", "=?utf-8?X?QUJD?="},
        {"two-letter encoding", "=?utf-8?BB?QUJD?=", "=?utf-8?BB?QUJD?="},
        {"empty charset", "=??B?QUJD?=", "=??B?QUJD?="},
        {"space inside payload", "=?utf-8?Q?a b?=", "=?utf-8?Q?a b?="},
        {"space inside charset", "=?utf 8?Q?ab?=", "=?utf 8?Q?ab?="},
        {"malformed between good ones keeps blanks",
         "=?us-ascii?Q?a?= =?x?Q?=ZZ?= =?us-ascii?Q?b?=", "a =?x?Q?=ZZ?= b"},
        {"good word right after broken start", "=?=?us-ascii?Q?a?=", "=?a"},
        {"QP-mangled word", "=3D?ISO-2022-JP?B?GyRC=3D?=3D", "=3D?ISO-2022-JP?B?GyRC=3D?=3D"},
    });
}

// The label is not trusted: the bytes come out as sent, whatever they are.
TEST(DecodeMimeHeader, LabelsThatLie) {
    ExpectTable({
        {"us-ascii label, ISO-2022-JP bytes", "=?us-ascii?B?GyRCLSEbKEI=?=", "\x1B$B-!\x1B(B"},
        {"iso-2022-jp label, Shift-JIS bytes", "=?iso-2022-jp?B?gqA=?=", "\x82\xA0"},
        {"unknown charset name", "=?x-nonsense?Q?=82=A0?=", "\x82\xA0"},
    });
}

// The caller's pipeline: decode, then convert if ISO-2022-JP escapes remain.
TEST(DecodeMimeHeader, FeedsTheIso2022JpConverter) {
    std::string decoded =
        DecodeMimeHeader("Subject: =?ISO-2022-JP?B?GyRCMA==?=\r\n =?ISO-2022-JP?B?IRsoQg==?=\r\n");
    EXPECT_EQ(Hex(Iso2022JpToShiftJis(decoded)), "53 75 62 6A 65 63 74 3A 20 88 9F 0D 0A");
}

TEST(DecodeMimeHeader, AppendKeepsExistingContent) {
    std::string out = "X";
    AppendDecodedMimeHeader("=?us-ascii?Q?a?=", out);
    EXPECT_EQ(out, "Xa");
}

// Random mixtures of word fragments: never longer than the input, line
// breaks outside words survive, and long runs of broken words stay fast.
TEST(DecodeMimeHeader, RandomFragments) {
    const char* fragments[] = {"=?", "?=", "?B?",  "?Q?", "us-ascii", "QUI=", "=3D",
                               "_",  " ",  "\r\n", "==",  "?",        "x"};
    std::mt19937 rng(777);
    for (int round = 0; round < 3000; ++round) {
        std::string input;
        for (unsigned n = rng() % 24; n > 0; --n) {
            input += fragments[rng() % (sizeof fragments / sizeof fragments[0])];
        }
        ASSERT_LE(DecodeMimeHeader(input).size(), input.size()) << input;
    }
    std::string broken;
    for (int i = 0; i < 100000; ++i) {
        broken += "=?a?B?";
    }
    EXPECT_EQ(DecodeMimeHeader(broken), broken);
}

}  // namespace
}  // namespace tessera
