// Encoded words and raw text of header lines to Shift-JIS, with the simulated
// host's converters for ISO-2022-JP and EUC-JP.
#include "export/conversion/HeaderTextConversion.h"

#include <gtest/gtest.h>

#include "export/charset/EncodedWordDecoder.h"
#include "export/conversion/ShiftJisConverter.h"
#include "host/SimulatedHost.h"
#include "tests/support/EngineInternals.h"
#include "tests/support/HexBytes.h"

using namespace tessera;
using tessera::testing::Hex;

namespace {

const std::string kNihon = "\x93\xFA\x96\x7B";     // 日本 in Shift-JIS
const std::string kNihongo = kNihon + "\x8C\xEA";  // 日本語

class HeaderTextConversionTest : public ::testing::Test {
  protected:
    void SetUp() override { SimulatedHost::Instance().Reset(); }
    void TearDown() override { EXPECT_EQ(SimulatedHost::Instance().Buffers().Live(), 0u); }
    HostApi api = MakeSimulatedHostApi();
};

TEST_F(HeaderTextConversionTest, Table) {
    const std::string longWord = "=?UTF-8?B?" + std::string(10000, 'A') + "?=";
    struct Case {
        std::string in;
        std::string out;
    } cases[] = {
        {"Subject: =?ISO-2022-JP?B?GyRCRnxLXDhsGyhC?=\r\n", "Subject: " + kNihongo + "\r\n"},
        // a character split between two words, folded: joined, then converted
        {"S: =?iso-2022-jp?B?GyRCRnw=?=\r\n =?iso-2022-jp?B?S1w4bBsoQg==?=\r\n",
         "S: " + kNihongo + "\r\n"},
        {"S: =?EUC-JP?B?xvzL3A==?= =?Shift_JIS?B?k/qWew==?=", "S: " + kNihon + kNihon},
        {"S: =?utf-8*ja?Q?=E6=97=A5=E6=9C=AC_x?= (a)", "S: " + kNihon + " x (a)"},
        {"S: =?UTF-8?B?8J+YgA==?=", "S: &#128512;"},
        {"S: \xE6\x97\xA5\xE6\x9C\xAC", "S: " + kNihon},  // raw UTF-8
        {"S: \x1b$BF|K\\\x1b(B", "S: " + kNihon},         // raw ISO-2022-JP
        {"S: \xC6\xFC\xCB\xDC", "S: " + kNihon},          // raw EUC-JP
        {"S: " + kNihon, "S: " + kNihon},                 // raw Shift-JIS
        {"S: caf\xE9 latte", "S: caf\xE9 latte"},         // raw Latin-1: no Japanese
        // JIS X 0212: 丂 lacks a Shift-JIS code, 纊 and EUC-JP's ⅰ have one
        {"S: =?ISO-2022-JP-2?B?GyQoRDAhGyQoRFRjGyhC?= =?EUC-JP?B?j/Pz?=",
         "S: &#19970;\xFA\x5C\xFA\x40"},
        {"S: =?us-ascii?Q?plain?= =?iso-8859-1?Q?caf=E9?= x", "S: plain =?iso-8859-1?Q?caf=E9?= x"},
        {"S: =?utf-8?Q?a=0D=0AX-Evil:_1=00?=", "S: a X-Evil: 1 "},  // no line break, no NUL
        // the second half of a character in a word that also holds a line break
        {"S: =?iso-2022-jp?B?GyRCRnw=?= =?iso-2022-jp?B?S1wbKEINCg==?=", "S: " + kNihon + " "},
        {"S: =?utf-8?B?5pel*?= =?utf-8?X?5pel?=", "S: =?utf-8?B?5pel*?= =?utf-8?X?5pel?="},
        {"S: =?utf-8?B?wK8=?=", "S: =?utf-8?B?wK8=?="},  // overlong UTF-8
        {"S: =?iso-2022-jp?B?GyRCRnwbJA==?=",
         "S: =?iso-2022-jp?B?GyRCRnwbJA==?="},  // escape cut off
        {"S: " + longWord, "S: " + longWord},
        {"S: a =?", "S: a =?"},
    };
    ShiftJisConverter converter(api);
    for (const Case& c : cases) {
        std::string out;
        EXPECT_EQ(ConvertHeaderText(c.in, converter, Unmappable::kReference, out), c.in != c.out)
            << c.in;
        EXPECT_EQ(Hex(out), Hex(c.out)) << c.in;
    }
    EXPECT_EQ(converter.References(), 2u);
}

TEST_F(HeaderTextConversionTest, HostFailureKeepsTheWordAndFileNamesGetUnderscores) {
    ShiftJisConverter converter(api);
    std::string out;
    SimulatedHost::Instance().Faults().Add("BKA_ISO_2022_JP:*");
    EXPECT_FALSE(ConvertHeaderText("=?ISO-2022-JP?B?GyRCRnxLXDhsGyhC?=", converter,
                                   Unmappable::kReference, out));
    SimulatedHost::Instance().Faults().Clear();
    ConvertHeaderText("=?UTF-8?B?5pel8J+YgA==?= =?ISO-2022-JP-2?B?GyQoRDAhGyQoRFRjGyhC?=",
                      converter, Unmappable::kUnderscore, out);
    EXPECT_EQ(Hex(out), Hex(kNihon.substr(0, 2) + "__\xFA\x5C"));
    EXPECT_EQ(converter.References(), 0u);
}

TEST(EncodedWordDecoder, FindsAWordBehindManyBrokenOnes) {
    std::string text;
    for (int i = 0; i < 20000; ++i) text += "=?a?B?";
    text += "=?utf-8?B?YQ==?=";
    EncodedWord word;
    ASSERT_TRUE(FindEncodedWord(text, 0, word));
    EXPECT_EQ(word.begin, 120000u);
    EXPECT_EQ(word.charset, "utf-8");
}

}  // namespace

// Address fields still parse to the same addresses and names after decoding.
TEST_F(HeaderTextConversionTest, AddressHeadersKeepTheirAddressesAndNames) {
    const std::string yamada = "\x8E\x52\x93\x63";  // 山田
    struct Case {
        std::string in;
        std::string out;
    } cases[] = {
        {"From: =?utf-8?B?5bGx55SwIOWkqumDjg==?= <a@example.jp>\r\n",
         "From: " + yamada + " \x91\xBE\x98\x59 <a@example.jp>\r\n"},
        // a comma and parentheses in the name: quoted
        {"To: =?utf-8?B?KOagqinlsbHnlLDllYbkuossIOWWtualremDqA==?= <a@x.jp>, b@x.jp",
         "To: \"(\x8A\x94)" + yamada +
             "\x8F\xA4\x8E\x96, \x89\x63\x8B\xC6\x95\x94\" <a@x.jp>, b@x.jp"},
        // \x83\x5C (ソ) would be read as an escape inside quotes: the word stays
        {"Cc: \"=?utf-8?B?44K944OL44O8IOWkqumDjg==?=\" <a@x.jp>",
         "Cc: \"=?utf-8?B?44K944OL44O8IOWkqumDjg==?=\" <a@x.jp>"},
        {"Reply-To: \"=?iso-2022-jp?B?GyRCRnxLXDhsGyhC?=\" <a@x.jp>",
         "Reply-To: \"" + kNihongo + "\" <a@x.jp>"},
        // what Shift-JIS lacks keeps its word; no reference in an address field
        {"From: =?utf-8?B?54yr8J+QiA==?= <a@x.jp>", "From: =?utf-8?B?54yr8J+QiA==?= <a@x.jp>"},
        {"From: \"\xE7\x8C\xAB\xF0\x9F\x90\x88\" <a@x.jp>",
         "From: =?UTF-8?B?54yr8J+QiA==?= <a@x.jp>"},
        {"X-Failed-Recipients: \xF0\x9F\x90\x88@x.jp",
         "X-Failed-Recipients: \xF0\x9F\x90\x88@x.jp"},
        {"Sender: a@x.jp (=?utf-8?B?5bGx55Sw?=)", "Sender: a@x.jp (" + yamada + ")"},
        {"Bcc: =?utf-8?B?5bGx55Sw?=: a@x.jp;", "Bcc: " + yamada + ": a@x.jp;"},
    };
    ShiftJisConverter converter(api);
    for (const Case& c : cases) {
        ASSERT_TRUE(IsAddressHeader(c.in)) << c.in;
        std::string out;
        EXPECT_EQ(ConvertAddressHeader(c.in, converter, out), c.in != c.out) << c.in;
        EXPECT_EQ(Hex(out), Hex(c.out)) << c.in;
    }
    EXPECT_EQ(converter.References(), 0u);
    EXPECT_FALSE(IsAddressHeader("Subject: a@x.jp"));
}
