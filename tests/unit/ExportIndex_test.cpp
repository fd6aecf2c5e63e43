#include "export/flow/ExportIndex.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "export/conversion/ShiftJisConverter.h"
#include "export/mime/MimePart.h"
#include "host/SimulatedHost.h"
#include "platform/LocalFileSystem.h"

namespace tessera {
namespace {

struct RecordCase {
    IndexRow row;
    std::string record;
};

TEST(ExportIndex, RecordsQuoteWhatRfc4180Asks) {
    const std::vector<RecordCase> cases = {
        {{"a.eml", "2002-03-05T09:07:03+09:00", "x@y", "z@w", "plain", 12, 0},
         "a.eml,2002-03-05T09:07:03+09:00,x@y,z@w,plain,12,0\r\n"},
        {{"b, c.eml", "", "\"Taro\" <t@y>", "a@b, c@d", "two\r\nlines", 5, 2},
         "\"b, c.eml\",,\"\"\"Taro\"\" <t@y>\",\"a@b, c@d\",\"two\r\nlines\",5,2\r\n"},
    };
    for (const RecordCase& c : cases) EXPECT_EQ(IndexRecord(c.row), c.record);
    IndexRow row;
    row.subject = "\x89\xEF\x8B\x63";
    EXPECT_EQ(IndexRecord(row, [](const std::string& s) { return "<" + s + ">"; }),
              ",<>,<>,<>,<\x89\xEF\x8B\x63>,0,0\r\n")
        << "the encoder gives the bytes of every text field but the name on disk";
}

TEST(ExportIndex, RowOfAParsedMessage) {
    const std::string text =
        "From: =?ISO-2022-JP?B?GyRCQkBPOhsoQg==?= <taro@example.jp>\r\n"
        "To: a@example.jp,\r\n b@example.jp\r\n"
        "Subject: =?ISO-2022-JP?B?GyRCMnE1RBsoQg==?=\r\n"
        "Date: Tue, 5 Mar 2002 09:07:03 +0900\r\n"
        "Content-Type: multipart/mixed; boundary=b\r\n\r\n"
        "--b\r\nContent-Type: text/plain\r\n\r\nhi\r\n"
        "--b\r\nContent-Type: application/pdf\r\n\r\nx\r\n"
        "--b\r\nContent-Type: image/png\r\n\r\nx\r\n--b--\r\n";
    const char* cursor = text.c_str();
    MimePart root;
    root.Parse(cursor);
    SimulatedHost::Instance().Reset();
    HostApi api = MakeSimulatedHostApi();
    ShiftJisConverter converter(api);
    const IndexRow row = ReadIndexRow(root, converter);
    EXPECT_EQ(row.date, "2002-03-05T09:07:03+09:00");
    EXPECT_EQ(row.from, "\x91\xBE\x98\x59 <taro@example.jp>");
    EXPECT_EQ(row.to, "a@example.jp, b@example.jp");
    EXPECT_EQ(row.subject, "\x89\xEF\x8B\x63");
    EXPECT_EQ(row.attachments, 2u);
}

// Python's csv reads the index back with every field intact, an appended run
// after the first without a second header.
TEST(ExportIndex, PythonReadsBackWhatTwoRunsWrote) {
    if (std::system("command -v python3 >/dev/null 2>&1") != 0) GTEST_SKIP() << "no python3";
    char pattern[] = "/tmp/tessera-index-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    const std::string path = std::string(pattern) + "/" + kIndexFileName;
    const std::vector<IndexRow> rows = {
        {"\x89\xEF\x8B\x63.eml", "2002-03-05T09:07:03+09:00", "\"A, B\" <a@b>", "c@d",
         "say \"hi\",\r\nthen go", 1234, 1},
        {"x.eml", "", "", "", "\x83\x5c\x81\x40", 0, 0},  // trail bytes '\' and '@'
    };
    LocalFileSystem files;
    for (const IndexRow& row : rows) {
        ExportIndex index(files, path);
        ASSERT_TRUE(index.Open());
        ASSERT_TRUE(index.Add(row));
        ASSERT_TRUE(index.Commit());
    }
    const std::string command =
        "python3 -c \"import csv,sys\n"
        "for row in csv.reader(open(sys.argv[1], encoding='cp932', newline='')):\n"
        "    print('|'.join(f.encode('cp932').hex() for f in row))\" " +
        path;
    std::string output;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        for (int c = std::fgetc(pipe); c != EOF; c = std::fgetc(pipe))
            output += static_cast<char>(c);
        pclose(pipe);
    }
    auto hex = [](const std::string& s) {
        std::string out;
        char byte[3];
        for (unsigned char c : s) {
            std::snprintf(byte, sizeof byte, "%02x", c);
            out += byte;
        }
        return out;
    };
    std::string expected = hex("File") + "|" + hex("Date") + "|" + hex("From") + "|" + hex("To") +
                           "|" + hex("Subject") + "|" + hex("Size") + "|" + hex("Attachments") +
                           "\n";
    for (const IndexRow& r : rows) {
        expected += hex(r.fileName) + "|" + hex(r.date) + "|" + hex(r.from) + "|" + hex(r.to) +
                    "|" + hex(r.subject) + "|" + hex(std::to_string(r.size)) + "|" +
                    hex(std::to_string(r.attachments)) + "\n";
    }
    EXPECT_EQ(output, expected);
    std::error_code ec;
    std::filesystem::remove_all(pattern, ec);
}

}  // namespace
}  // namespace tessera
