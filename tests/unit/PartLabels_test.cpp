// Reading a part's labels and relabelling it, on parsed header blocks.
#include "export/mime/PartLabels.h"

#include <gtest/gtest.h>

#include "export/mime/MimePart.h"

using namespace tessera;

namespace {

std::string Relabelled(const std::string& headers, const char* charset, const char* encoding) {
    MimePart part;
    const std::string text = headers + "\r\nbody\r\n";
    const char* cursor = text.c_str();
    part.Parse(cursor);
    RelabelPart(part, charset, encoding);
    return part.Serialize();
}

PartLabels Read(const std::string& headers) {
    MimePart part;
    const std::string text = headers + "\r\n";
    const char* cursor = text.c_str();
    part.Parse(cursor);
    return ReadPartLabels(part);
}

TEST(PartLabels, Read) {
    struct Case {
        std::string headers;
        std::string charset;
        TransferEncoding encoding;
        bool file;
        bool ambiguous;
    } cases[] = {
        {"Content-Type: text/plain; charset=\"UTF-8\"; format=flowed\r\n", "UTF-8",
         TransferEncoding::kIdentity, false, false},
        {"Content-Type: text/plain;\r\n\tcharset=iso-2022-jp\r\nContent-Transfer-Encoding: "
         "BASE64\r\n",
         "iso-2022-jp", TransferEncoding::kBase64, false, false},
        {"Content-Type: text/plain; name=\"a.txt\"\r\n", "", TransferEncoding::kIdentity, true,
         false},
        {"Content-Disposition: inline; filename=a.txt\r\n", "", TransferEncoding::kIdentity, false,
         false},
        {"Content-Disposition: attachment\r\nContent-Transfer-Encoding: x-uuencode\r\n", "",
         TransferEncoding::kOther, true, false},
        {"Content-Disposition: x; filename*0*=UTF-8''%E3%83%A1\r\n", "",
         TransferEncoding::kIdentity, true, false},
        {"Content-Type: text/plain\r\nContent-Type: text/html\r\n", "", TransferEncoding::kIdentity,
         false, true},
    };
    for (const Case& c : cases) {
        const PartLabels labels = Read(c.headers);
        EXPECT_EQ(labels.charset, c.charset) << c.headers;
        EXPECT_EQ(labels.encoding, c.encoding) << c.headers;
        EXPECT_EQ(labels.isFile, c.file) << c.headers;
        EXPECT_EQ(labels.ambiguous, c.ambiguous) << c.headers;
    }
}

TEST(PartLabels, RelabelKeepsEveryOtherParameter) {
    struct Case {
        std::string headers;
        std::string relabelled;
    } cases[] = {
        {"Content-Type: text/plain; charset=\"utf-8\"; format=flowed\r\nContent-Transfer-Encoding: "
         "base64\r\n",
         "Content-Type: text/plain; charset=MS932; format=flowed\r\nContent-Transfer-Encoding: "
         "8bit\r\n"},
        {"Content-Type: text/html;\r\n",
         "Content-Type: text/html; charset=MS932\r\n"
         "Content-Transfer-Encoding: 8bit\r\n"},
        {"Subject: x\r\n",
         "Subject: x\r\nContent-Type: text/plain; charset=MS932\r\n"
         "Content-Transfer-Encoding: 8bit\r\n"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Relabelled(c.headers, "MS932", "8bit"), c.relabelled + "\r\nbody\r\n")
            << c.headers;
    }
    EXPECT_EQ(Relabelled("Content-Type: text/plain; charset=a\r\n", "", "7bit"),
              "Content-Type: text/plain; charset=a\r\n\r\nbody\r\n");
}

}  // namespace
