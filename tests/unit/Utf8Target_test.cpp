// An export to UTF-8: every Japanese source written as its own characters,
// parts labelled UTF-8, headers as UTF-8 words that parse as they did.
#include <gtest/gtest.h>

#include <algorithm>

#include "export/conversion/ShiftJisConverter.h"
#include "export/conversion/TextPartConversion.h"
#include "export/mime/MimePart.h"
#include "host/SimulatedHost.h"
#include "tests/support/HexBytes.h"

using namespace tessera;
using tessera::testing::Hex;

namespace {

struct Converted {
    bool changed;
    std::string text;
    int partsLeft;
};

Converted Convert(const std::string& part, bool rawHeaders = false) {
    SimulatedHost::Instance().Reset();
    HostApi api = MakeSimulatedHostApi();
    ShiftJisConverter converter(api, Unwatched(), TargetCharset::kUtf8);
    converter.SetRawUtf8Headers(rawHeaders);
    MimePart root;
    const char* cursor = part.c_str();
    root.Parse(cursor);
    const bool changed = ConvertTextPart(root, "", converter) | ConvertHeaderBlock(root, converter);
    return {changed, root.Serialize(), converter.PartsLeftUnconverted()};
}

}  // namespace

TEST(Utf8Target, EverySourceDecodesToItsOwnCharacters) {
    struct Case {
        JapaneseCharset charset;
        std::string in;
        const char* out;  // null: refused
    } cases[] = {
        // JIS X 0208, JIS X 0212, half-width kana in 7 bits, NEC row 13
        {JapaneseCharset::kIso2022Jp, "\x1b$B$\"\x1b(B \x1b$(D0!\x1b(B \x1b(I1\x1b(B\n",
         "あ 丂 ｱ\n"},
        {JapaneseCharset::kIso2022Jp, "\x1b$B-!\x1b(B", "①"},
        {JapaneseCharset::kIso2022Jp, "\x1b$(X!!\x1b(B", nullptr},
        // a JIS X 0208 cell no set defines (a carrier's emoji), as Shift-JIS and EUC-JP too
        {JapaneseCharset::kIso2022Jp, "\x1b$Bu!\x1b(B", "\xEF\xBF\xBD"},
        {JapaneseCharset::kShiftJis, "\xEB\x40", "\xEF\xBF\xBD"},
        {JapaneseCharset::kEucJp, "\xF5\xA1", "\xEF\xBF\xBD"},
        {JapaneseCharset::kIso2022Jp, "a\xB1", "aｱ"},  // 8-bit kana, as Shift-JIS keeps it
        {JapaneseCharset::kIso2022Jp, "a\x80", nullptr},
        {JapaneseCharset::kEucJp, "\xA4\xA2\x8F\xB0\xA1\x8E\xB1", "あ丂ｱ"},
        // NEC row 13, an NEC-selected and an IBM copy of one kanji, the user-defined area
        {JapaneseCharset::kShiftJis, "\x87\x40\xED\x40\xFA\x5C\xF0\x40\\~", "①纊纊\xEE\x80\x80\\~"},
        {JapaneseCharset::kShiftJis, "a\x80", nullptr},
        {JapaneseCharset::kShiftJis, "\x82", nullptr},
        {JapaneseCharset::kUtf8, "\xF0\x9F\x98\x80", "\xF0\x9F\x98\x80"},
        {JapaneseCharset::kUtf8, "\xC0\xAF", nullptr},
    };
    HostApi api = MakeSimulatedHostApi();
    ShiftJisConverter converter(api, Unwatched(), TargetCharset::kUtf8);
    for (const Case& c : cases) {
        SCOPED_TRACE(Hex(c.in));
        std::string out = "x";
        const bool ok = converter.Append(c.charset, c.in, Unmappable::kReference, out);
        EXPECT_EQ(ok, c.out != nullptr);
        EXPECT_EQ(Hex(out), Hex(c.out ? "x" + std::string(c.out) : "x"));
    }
    EXPECT_EQ(converter.References(), 3u);  // the three undefined codes
}

TEST(Utf8Target, TextPartsAreWrittenAndLabelledUtf8) {
    const std::string utf8 = "Content-Type: text/plain; charset=UTF-8\r\n";
    const std::string eightBit = "Content-Transfer-Encoding: 8bit\r\n\r\n";
    struct Case {
        std::string in;
        bool changed;
        std::string out;
    } cases[] = {
        {"Content-Type: text/plain; charset=ISO-2022-JP\r\n\r\n\x1b$B$\"\x1b(B\r\n"
         "\x1b$(D0!\x1b(B\r\n",
         true, utf8 + eightBit + "あ\r\n丂\r\n"},
        {"Content-Type: text/plain; charset=euc-jp\r\nContent-Transfer-Encoding: base64\r\n\r\n"
         "xvzL3A0K\r\n",
         true, utf8 + eightBit + "日本\r\n"},
        {"Content-Type: text/html; charset=shift_jis\r\nContent-Transfer-Encoding: "
         "quoted-printable\r\n\r\n<meta charset=3D\"shift_jis\">=87=40\r\n",
         true,
         "Content-Type: text/html; charset=UTF-8\r\n" + eightBit + "<meta charset=\"UTF-8\">①\r\n"},
        // a byte-order mark goes; the label is written as the export writes it
        {"Content-Type: text/plain; charset=utf-8\r\n\r\n\xEF\xBB\xBF日本\r\n", true,
         utf8 + eightBit + "日本\r\n"},
        {utf8 + "\r\n日本\r\n", false, ""},
        {"Content-Type: text/plain; charset=ISO-2022-JP\r\n\r\nascii\r\n", false, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.in);
        const Converted got = Convert(c.in);
        EXPECT_EQ(got.changed, c.changed);
        EXPECT_EQ(got.text, c.changed ? c.out : c.in);
        EXPECT_EQ(got.partsLeft, 0);
    }
    // Text that does not decode is left as received and counted.
    const std::string bad = "Content-Type: text/plain; charset=euc-jp\r\n\r\n\x8F\xA1\xA1\r\n";
    const Converted got = Convert(bad);
    EXPECT_EQ(got.text, bad);
    EXPECT_EQ(got.partsLeft, 1);
}

TEST(Utf8Target, HeadersBecomeUtf8Words) {
    const std::string body = "\r\nx\r\n";
    struct Case {
        std::string in;
        std::string out;
        bool raw = false;  // raw UTF-8 headers asked for
    } cases[] = {
        {"Subject: Re: =?ISO-2022-JP?B?GyRCRnxLXBsoQg==?=\r\n",
         "Subject: Re: =?UTF-8?B?5pel5pys?=\r\n"},
        // raw Shift-JIS beside a word in another charset, which stays as written
        {"Subject: =?koi8-r?Q?=C1?= \x93\xFA\x96\x7B\r\n",
         "Subject: =?koi8-r?Q?=C1?= =?UTF-8?B?5pel5pys?=\r\n"},
        // the blank between two converted runs goes inside the words
        {"Subject: \x93\xFA \x96\x7B x\r\n", "Subject: =?UTF-8?B?5pelIOacrA==?= x\r\n"},
        // a name with a comma needs no quotes as words; the comment is words too
        {"From: =?ISO-2022-JP?B?GyRCRnwbKEIsIBskQktcGyhC?= <a@example.jp> (\x93\xFA)\r\n",
         "From: =?UTF-8?B?5pelLCDmnKw=?= <a@example.jp> (=?UTF-8?B?5pel?=)\r\n"},
        {"To: \"\xE6\x97\xA5\" <a@example.jp>, b@example.jp\r\n",
         "To: =?UTF-8?B?5pel?= <a@example.jp>, b@example.jp\r\n"},
        {"Message-ID: <\x93\xFA@example.jp>\r\n", "Message-ID: <\x93\xFA@example.jp>\r\n"},
        // raw: a name with a special is quoted, its quote and backslash escaped
        {"From: =?ISO-2022-JP?B?GyRCRnwbKEIsIBskQktcGyhC?= <a@example.jp> (\x93\xFA)\r\n",
         "From: \"日, 本\" <a@example.jp> (日)\r\n", true},
        {"To: =?UTF-8?B?5pelIlw=?= <a@example.jp>, \"\xE6\x97\xA5\" <b@example.jp>\r\n",
         "To: \"日\\\"\\\\\" <a@example.jp>, \"\xE6\x97\xA5\" <b@example.jp>\r\n", true},
        {"Subject: Re: =?ISO-2022-JP?B?GyRCRnxLXBsoQg==?= \x93\xFA\r\n", "Subject: Re: 日本 日\r\n",
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.in);
        EXPECT_EQ(Convert(c.in + body, c.raw).text, c.out + body);
    }
}

// Long text folds between words within 76 columns, each word at most 75.
TEST(Utf8Target, LongHeadersFold) {
    std::string kanji;
    for (int i = 0; i < 40; ++i) kanji += "\x93\xFA";
    const std::string out = Convert("Subject: " + kanji + "\r\nTo: " + kanji + " <a@example.jp>, " +
                                    kanji + " <b@example.jp>\r\n\r\nx\r\n")
                                .text;
    size_t lines = 0;
    for (size_t at = 0, end; (end = out.find("\r\n", at)) != std::string::npos; at = end + 2) {
        const std::string line = out.substr(at, end - at);
        if (line.empty()) break;
        ++lines;
        EXPECT_LE(line.size(), 76u) << line;
        EXPECT_TRUE(std::all_of(line.begin(), line.end(), [](char c) { return c > 0; })) << line;
    }
    EXPECT_GE(lines, 6u) << out;
    // A long list that ends in a comma gains no fold there: a blank line.
    const std::string list =
        Convert("To: \x93\xFA <a@example.jp>, " + std::string(40, 'b') + "@example.jp, " +
                std::string(80, 'c') + "@example.jp,\r\nCc: c@example.jp\r\n\r\nx\r\n")
            .text;
    EXPECT_NE(list.find("@example.jp,\r\nCc: c@example.jp\r\n\r\nx"), std::string::npos) << list;
}
