#include "mailstore/MboxFraming.h"

#include <gtest/gtest.h>

#include <string>

#include "export/framing/EnvelopeLine.h"
#include "export/mime/MimePart.h"
#include "tests/support/EngineInternals.h"

using namespace tessera;

namespace {

TEST(MboxFraming, KnowsTheEnvelopeLinesOnlyTesserasWriterMakes) {
    struct {
        const char* line;
        bool tessera;
    } cases[] = {
        {"From taro@example.jp Tue Mar 05 09:07:03 2002\r\n", true},
        {"From MAILER-DAEMON Mon Dec 07 11:42:22 2026\r\n", true},
        {"From taro@example.jp Tue Mar  5 09:07:03 2002\r\n", false},  // asctime pads the day
        {"From taro@example.jp Tue Mar 05 09:07:03 2002\n", false},
        {"From taro@example.jp Tue Mar 05 09:07:03 2002 +0900\r\n", false},
        {"From Taro Yamada Tue Mar 05 09:07:03 2002\r\n", false},
        {"From  Tue Mar 05 09:07:03 2002\r\n", false},
        {"From - Tue Mar 05 9:07:03 2002\r\n", false},
        {"from taro@example.jp Tue Mar 05 09:07:03 2002\r\n", false},
    };
    for (const auto& c : cases) {
        std::string line = c.line;
        EXPECT_EQ(IsTesseraEnvelopeLine(line.data(), line.size()), c.tessera) << line;
    }
}

TEST(MboxFraming, KnowsEveryEnvelopeLineTheWriterBuilds) {
    const char* headers[] = {
        "From: Taro <taro@example.jp>\r\nDate: Tue, 5 Mar 2002 09:07:03 +0900\r\n",
        "From: Taro Yamada\r\nDate: 31 Dec 1999 23:59 +0000\r\n",
        "Date: March 5\r\n",
        "",
    };
    for (const char* header : headers) {
        std::string source = std::string(header) + "\r\nbody\r\n";
        const char* cursor = source.c_str();
        MimePart root;
        root.Parse(cursor, nullptr);
        std::string line = BuildEnvelopeLine(root, CalendarTime{2026, 12, 7, 8, 30, 0});
        EXPECT_TRUE(IsTesseraEnvelopeLine(line.data(), line.size())) << line;
    }
}

// What the writer quotes, the reader of a Tessera mbox unquotes, and nothing else.
TEST(MboxFraming, UndoesExactlyTheWritersQuoting) {
    const char* lines[] = {"From a", "from a",  "FROM a",   ">From a",  ">>fRoM a",
                           ">From",  "Fromage", "> From a", "x From a", ""};
    for (const char* line : lines) {
        std::string text = line;
        std::string written = NeedsFromQuote(text.data(), text.size()) ? ">" + text : text;
        EXPECT_EQ(UnquoteFromLines(written + "\r\n", true), text + "\r\n") << line;
    }
}

}  // namespace
