// base64, quoted-printable and Q decoding: the accepted forms, and damaged
// input refused with the output left as it was.
#include "export/charset/TransferDecoding.h"

#include <gtest/gtest.h>

#include "tests/support/HexBytes.h"

using namespace tessera;
using tessera::testing::Hex;

namespace {

enum Kind { kBase64, kQp, kQ };

struct Case {
    Kind kind;
    const char* input;
    bool ok;
    const char* output;
};

bool Decode(Kind kind, const std::string& input, std::string& out) {
    if (kind == kBase64) return AppendBase64Bytes(input, out);
    if (kind == kQp) return AppendQuotedPrintableBytes(input, out);
    return AppendQEncodedBytes(input, out);
}

TEST(TransferDecoding, Table) {
    const Case cases[] = {
        {kBase64, "5pel\r\n5pys\r\n", true, "\xE6\x97\xA5\xE6\x9C\xAC"},
        {kBase64, "YWI=\r\n", true, "ab"},
        {kBase64, "YWI", true, "ab"},               // padding missing
        {kBase64, "YWJj==\r\n=\r\n", true, "abc"},  // padding to spare
        {kBase64, " YW\tJj ", true, "abc"},
        {kBase64, "YW*j", false, ""},
        {kBase64, "YQ==YWJj", false, ""},  // data after the padding
        {kBase64, "YWJjZ", false, ""},     // one character left over
        {kBase64, "Y=", false, ""},
        {kQp, "a=3Db \t\r\nc=\r\nd\r\n", true, "a=b\r\ncd\r\n"},
        {kQp, "=e3=81=82\nx", true, "\xE3\x81\x82\r\nx"},
        {kQp, "last=", true, "last"},  // a soft break at the very end
        {kQp, "\xE6\x97\xA5 raw", true, "\xE6\x97\xA5 raw"},
        {kQp, "a=ZZ\r\n", false, ""},
        {kQp, "a=4\r\n", false, ""},    // escape cut by the line end
        {kQp, "a= \r\nb", true, "ab"},  // padding after a soft break
        {kQ, "a_b=3F=e3", true, "a b?\xE3"},
        {kQ, "a=3", false, ""},
    };
    for (const Case& c : cases) {
        std::string out = "<";
        EXPECT_EQ(Decode(c.kind, c.input, out), c.ok) << c.input;
        EXPECT_EQ(Hex(out), Hex(std::string("<") + c.output)) << c.input;
    }
}

}  // namespace
