#include "export/flow/AttachmentFiles.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "export/conversion/ShiftJisConverter.h"
#include "export/mime/LineReader.h"
#include "export/mime/MimePart.h"
#include "host/SimulatedHost.h"

namespace tessera {
namespace {

const std::string kAllBytes = [] {
    std::string bytes;
    for (int i = 0; i < 256; ++i) bytes += static_cast<char>(i);
    return bytes;
}();

const char kMessage[] =
    "Content-Type: multipart/mixed; boundary=b\r\n\r\n"
    "--b\r\nContent-Type: text/plain\r\n\r\nbody\r\n"
    "--b\r\nContent-Type: application/pdf\r\nContent-Transfer-Encoding: base64\r\n"
    "Content-Disposition: attachment;\r\n filename*=UTF-8''%E4%BC%9A%E8%AD%B0.pdf\r\n\r\n"
    "AAECAwQFBgcICQoLDA0ODxAREhMUFRYXGBkaGxwdHh8gISIjJCUmJygpKissLS4vMDEyMzQ1Njc4\r\n"
    "OTo7PD0+P0BBQkNERUZHSElKS0xNTk9QUVJTVFVWV1hZWltcXV5fYGFiY2RlZmdoaWprbG1ub3Bx\r\n"
    "cnN0dXZ3eHl6e3x9fn+AgYKDhIWGh4iJiouMjY6PkJGSk5SVlpeYmZqbnJ2en6ChoqOkpaanqKmq\r\n"
    "q6ytrq+wsbKztLW2t7i5uru8vb6/wMHCw8TFxsfIycrLzM3Oz9DR0tPU1dbX2Nna29zd3t/g4eLj\r\n"
    "5OXm5+jp6uvs7e7v8PHy8/T19vf4+fr7/P3+/w==\r\n"
    "--b\r\nContent-Type: application/octet-stream;\r\n name*0*=ISO-2022-JP''%1B%24B2q;"
    " name*1*=5D%1B%28B; name*2=\".bin\"\r\nContent-Transfer-Encoding: 7bit\r\n\r\n"
    "two lines,\r\nno break at the end\r\n"
    "--b\r\nContent-Type: text/plain; name=\"=?ISO-2022-JP?B?GyRCO3FOQRsoQi50eHQ=?=\"\r\n"
    "Content-Disposition: attachment\r\nContent-Transfer-Encoding: quoted-printable\r\n\r\n"
    "a=3Db\r\nsoft=\r\nbreak\r\n"
    "--b\r\nContent-Type: image/png\r\nContent-Transfer-Encoding: base64\r\n\r\n"
    "not*base64\r\n"
    "--b\r\nContent-Type: message/rfc822\r\nContent-Disposition: attachment\r\n\r\n"
    "Subject: fwd\r\n\r\nx\r\n--b--\r\n";

struct Expected {
    std::string name;
    std::string bytes;
    bool decoded;
};

// The text with each CR LF made `lineBreak`.
std::string WithBreaks(std::string text, const std::string& lineBreak) {
    for (size_t at = 0; (at = text.find("\r\n", at)) != std::string::npos; at += lineBreak.size())
        text.replace(at, 2, lineBreak);
    return text;
}

std::vector<Expected> Walk(bool leavingOut, const std::string& lineBreak = "\r\n") {
    const std::string message = WithBreaks(kMessage, lineBreak);
    const char* cursor = message.c_str();
    MimePart root;
    root.Parse(cursor);
    SimulatedHost::Instance().Reset();
    HostApi api = MakeSimulatedHostApi();
    ShiftJisConverter converter(api);
    std::vector<Expected> seen;
    const std::string_view source =
        SourceLineBreak(message.data(), message.data() + message.size());
    ForEachAttachment(root, leavingOut, converter, source, [&](AttachmentFile& file) {
        seen.push_back({file.name, file.bytes, file.decoded});
        return true;
    });
    return seen;
}

TEST(AttachmentFiles, NamesDecodedAndBytesAsTheSenderHadThem) {
    const std::string kaigi = "\x89\xEF\x8B\x63";   // "会議"
    const std::string shiryo = "\x8E\x91\x97\xBF";  // "資料"
    // Lines end as the source ended them (a mailbox of LF lines, say); base64 holds its own.
    for (const std::string lineBreak : {"\r\n", "\n"}) {
        const std::vector<Expected> all = {
            {kaigi + ".pdf", kAllBytes, true},
            {kaigi + ".bin", WithBreaks("two lines,\r\nno break at the end", lineBreak), true},
            {shiryo + ".txt", WithBreaks("a=b\r\nsoftbreak", lineBreak), true},
            // a forwarded message opens as one
            {"(noname).eml", WithBreaks("Subject: fwd\r\n\r\nx", lineBreak), true},
        };
        const std::vector<Expected> seen = Walk(false, lineBreak);
        ASSERT_EQ(seen.size(), all.size()) << "every file, the damaged image has no name";
        for (size_t i = 0; i < all.size(); ++i) {
            EXPECT_EQ(seen[i].name, all[i].name) << i;
            EXPECT_EQ(seen[i].bytes, all[i].bytes) << i << (lineBreak == "\n" ? " LF" : "");
            EXPECT_EQ(seen[i].decoded, all[i].decoded) << i;
        }
    }
    // Leaving attachments out drops the image too (kept as it came) but keeps
    // text and the forwarded message, which stays in the message.
    const std::vector<Expected> dropped = Walk(true);
    ASSERT_EQ(dropped.size(), 3u);
    EXPECT_EQ(dropped[0].bytes, kAllBytes);
    EXPECT_EQ(dropped[2].name, "(noname)");
    EXPECT_FALSE(dropped[2].decoded);
    EXPECT_EQ(dropped[2].bytes, "not*base64");
}

}  // namespace
}  // namespace tessera
