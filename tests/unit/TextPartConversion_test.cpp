// One part converted in place: what changes, what is relabelled, what stays.
#include "export/conversion/TextPartConversion.h"

#include <gtest/gtest.h>

#include "export/conversion/ShiftJisConverter.h"
#include "export/mime/MimePart.h"
#include "host/SimulatedHost.h"
#include "tests/support/HexBytes.h"

using namespace tessera;
using tessera::testing::Hex;

namespace {

struct Converted {
    bool changed;
    std::string text;
    size_t references;
    int partsLeft;  // left as received because the converter failed
};

Converted Convert(const std::string& part, const char* messageCharset = "",
                  const char* hostFault = nullptr) {
    SimulatedHost::Instance().Reset();
    if (hostFault) SimulatedHost::Instance().Faults().Add(hostFault);
    HostApi api = MakeSimulatedHostApi();
    ShiftJisConverter converter(api);
    MimePart root;
    const char* cursor = part.c_str();
    root.Parse(cursor);
    const bool changed =
        ConvertTextPart(root, messageCharset, converter) | ConvertHeaderBlock(root, converter);
    return {changed, root.Serialize(), converter.References(), converter.PartsLeftUnconverted()};
}

TEST(TextPartConversion, Table) {
    const std::string nihon = "\x93\xFA\x96\x7B";
    struct Case {
        std::string in;
        bool changed;
        std::string out;
    } cases[] = {
        // HTML in quoted-printable: decoded, converted, declaration rewritten
        {"Content-Type: text/html; charset=utf-8\r\nContent-Transfer-Encoding: "
         "quoted-printable\r\n\r\n"
         "<meta charset=3Dutf-8>=E6=97=A5=\r\n=E6=9C=AC\r\n",
         true,
         "Content-Type: text/html; charset=Shift_JIS\r\nContent-Transfer-Encoding: 8bit\r\n\r\n"
         "<meta charset=Shift_JIS>" +
             nihon + "\r\n"},
        // Shift-JIS with an NEC character: bytes kept, label mended
        {"Content-Type: text/plain; charset=shift_jis\r\nContent-Transfer-Encoding: "
         "8bit\r\n\r\n\x87\x40\r\n",
         true,
         "Content-Type: text/plain; charset=MS932\r\nContent-Transfer-Encoding: "
         "8bit\r\n\r\n\x87\x40\r\n"},
        {"Content-Type: text/plain; charset=Shift_JIS\r\n\r\n" + nihon + "\r\n", false, ""},
        // base64 ASCII: decoded, label kept, 7bit
        {"Content-Type: text/plain; charset=utf-8\r\nContent-Transfer-Encoding: "
         "base64\r\n\r\naGk=\r\n",
         true,
         "Content-Type: text/plain; charset=utf-8\r\nContent-Transfer-Encoding: "
         "7bit\r\n\r\nhi\r\n"},
        // the host's charset for an unlabelled part; structural headers keep their words
        {"Content-Type: text/plain; name*=x; format=flowed\r\nContent-Disposition: inline\r\n"
         "Content-Description: =?EUC-JP?B?xvzL3A==?=\r\n\r\n\xC6\xFC\xCB\xDC\r\n",
         true,
         "Content-Type: text/plain; name*=x; format=flowed; "
         "charset=Shift_JIS\r\nContent-Disposition: inline\r\n"
         "Content-Description: " +
             nihon + "\r\nContent-Transfer-Encoding: 8bit\r\n\r\n" + nihon + "\r\n"},
        {"Content-Type: text/plain; name=\"=?UTF-8?B?5pel?=\"\r\n\r\nx\r\n", false, ""},
        // lines in sets the host does not map are the engine's: あ by the host, 丂 纊 not
        {"Content-Type: text/plain; charset=ISO-2022-JP-2\r\n\r\n\x1b$B$\"\x1b(B\r\n"
         "\x1b$(D0!Tc\x1b(B\r\n",
         true,
         "Content-Type: text/plain; charset=MS932\r\nContent-Transfer-Encoding: 8bit\r\n\r\n"
         "\x82\xA0\r\n&#19970;\xFA\x5C\r\n"},
        {"Content-Type: text/plain; charset=euc-jp\r\n\r\n\xA4\xA2\x8F\xF3\xF3\r\n", true,
         "Content-Type: text/plain; charset=MS932\r\nContent-Transfer-Encoding: 8bit\r\n\r\n"
         "\x82\xA0\xFA\x40\r\n"},
        // data for its own programs stays; a byte-order mark goes
        {"Content-Type: text/vcard; charset=utf-8\r\n\r\nFN;CHARSET=UTF-8:\xE6\x97\xA5\r\n", false,
         ""},
        {"Content-Type: text/calendar; charset=iso-2022-jp\r\n\r\n\x1b$B$\"\x1b(B\r\n", false, ""},
        {"Content-Type: text/plain; charset=utf-8\r\n\r\n\xEF\xBB\xBF\xE6\x97\xA5\r\n", true,
         "Content-Type: text/plain; charset=Shift_JIS\r\nContent-Transfer-Encoding: "
         "8bit\r\n\r\n\x93\xFA\r\n"},
    };
    for (const Case& c : cases) {
        const Converted got = Convert(c.in, "EUC-JP");
        EXPECT_EQ(got.changed, c.changed) << c.in;
        EXPECT_EQ(Hex(got.text), Hex(c.changed ? c.out : c.in)) << c.in;
    }
}

// Unlabelled text in a message without a charset: its bytes tell.
TEST(TextPartConversion, UnlabelledJapaneseIsRecognised) {
    struct Case {
        std::string body;
        std::string out;  // empty: left as it came
    } cases[] = {
        {"\xA4\xA2\xA4\xA4\r\n", "\x82\xA0\x82\xA2\r\n"},  // EUC-JP あい (also 4 kana as Shift-JIS)
        {"\x93\xFA\x96\x7B\r\n", "\x93\xFA\x96\x7B\r\n"},  // Shift-JIS 日本: labelled only
        {"caf\xE9 latte\r\n", ""},
    };
    for (const Case& c : cases) {
        const std::string in = "Subject: x\r\n\r\n" + c.body;
        const Converted got = Convert(in);
        EXPECT_EQ(got.changed, !c.out.empty()) << Hex(c.body);
        if (c.out.empty()) continue;
        EXPECT_NE(got.text.find("charset=Shift_JIS"), std::string::npos) << got.text;
        EXPECT_EQ(Hex(got.text.substr(got.text.size() - c.out.size())), Hex(c.out));
    }
}

// A part left as received is counted when a converter failed on its text,
// not when it is left by rule (a file, another charset, data of its own).
TEST(TextPartConversion, PartsAConverterFailsOnAreLeftAndCounted) {
    const std::string jis = "\x1b$B$\"\x1b(B\r\n";
    struct Case {
        std::string in;
        const char* hostFault;
        int partsLeft;
    } cases[] = {
        {"Content-Type: text/plain; charset=iso-2022-jp\r\n\r\n" + jis, "BKA_ISO_2022_JP:*", 1},
        {"Content-Type: text/html; charset=euc-jp\r\n\r\n\xA4\xA2\r\n", "BKA_EUC_JP:*", 1},
        {"Content-Type: text/plain; charset=utf-8\r\n\r\n\xFF\xFE\r\n", nullptr, 1},
        // an escape sequence cut off: the host's result keeps it, refused as damaged
        {"Content-Type: text/plain; charset=iso-2022-jp\r\n\r\n\x1b$Bx\x1b(\r\n", nullptr, 1},
        {"Content-Type: text/plain; charset=iso-8859-1\r\n\r\ncaf\xE9\r\n", nullptr, 0},
        {"Content-Type: text/plain; charset=iso-2022-jp\r\nContent-Disposition: attachment\r\n"
         "\r\n" +
             jis,
         "BKA_ISO_2022_JP:*", 0},
        {"Content-Type: text/calendar; charset=utf-8\r\n\r\n\xFF\r\n", nullptr, 0},
    };
    for (const Case& c : cases) {
        const Converted got = Convert(c.in, "", c.hostFault);
        EXPECT_FALSE(got.changed) << Hex(c.in);
        EXPECT_EQ(got.text, c.in);
        EXPECT_EQ(got.partsLeft, c.partsLeft) << Hex(c.in);
    }
}

TEST(TextPartConversion, ALineLongerThanTheWalkerStoresLeavesThePartAsItCame) {
    // 8,000 emoji on one line of 32,000 bytes: as references it would be 72,000.
    std::string text;
    for (int i = 0; i < 8000; ++i) text += "\xF0\x9F\x98\x80";
    const std::string part = "Content-Type: text/plain; charset=utf-8\r\n\r\n" + text + "\r\n";
    const Converted got = Convert(part);
    EXPECT_FALSE(got.changed);
    EXPECT_EQ(got.text, part);
}

// A body of megabytes is converted a piece at a time, yet labelled and counted
// as one text: a backslash in the first piece makes the kana of the last CP932.
TEST(TextPartConversion, ALargeBodyIsLabelledAsAWhole) {
    std::string lines;
    while (lines.size() < 3 * 1024 * 1024) lines += "C:\\" + std::string(60, 'x') + "\r\n";
    const std::string head = "Content-Type: text/plain; charset=utf-8\r\n\r\n";
    const std::string emoji = "\xF0\x9F\x98\x80\r\n", kana = "\xE3\x81\x82\r\n";
    struct Case {
        std::string body;
        bool changed;
        const char* label;
        size_t references;
    } cases[] = {
        {emoji + lines + kana + emoji, true, "charset=MS932", 2},
        {kana + lines + "\xFF\r\n", false, "charset=utf-8", 0},  // not UTF-8 in its last piece
    };
    for (const Case& c : cases) {
        const Converted got = Convert(head + c.body);
        EXPECT_EQ(got.changed, c.changed);
        EXPECT_NE(got.text.find(c.label), std::string::npos) << got.text.substr(0, 80);
        EXPECT_EQ(got.references, c.references);
    }
}

}  // namespace
