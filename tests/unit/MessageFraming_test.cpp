// What each save format picks and writes around a message, and what an
// append writes before its first message, for every kind of old tail.
#include "export/framing/MessageFraming.h"

#include <gtest/gtest.h>

using namespace tessera;

namespace {

std::unique_ptr<MessageFraming> Framing(int saveType) {
    ExportFormat format;
    format.SaveType = saveType;
    return FramingFor(format, CalendarTime{});
}

TEST(MessageFraming, TheSaveTypePicksTheTarget) {
    EXPECT_TRUE(Framing(kSaveTypeMbox)->OneFile());
    EXPECT_STREQ(Framing(kSaveTypeMbox)->Extension(), ".txt");
    EXPECT_TRUE(Framing(kSaveTypeSeparator)->OneFile());
    EXPECT_STREQ(Framing(kSaveTypeSeparator)->Extension(), ".txt");
    EXPECT_FALSE(Framing(kSaveTypeEml)->OneFile());
    EXPECT_STREQ(Framing(kSaveTypeEml)->Extension(), ".eml");
    EXPECT_FALSE(Framing(kSaveTypeMaildir)->OneFile());
    EXPECT_STREQ(Framing(kSaveTypeMaildir)->Extension(), "");
    for (int unknown : {kSaveTypeUnset, 0, 102, 107}) EXPECT_EQ(Framing(unknown), nullptr);
}

TEST(MessageFraming, NewMessageStartsOnALineOfItsOwnAndAnEnvelopeAfterABlankLine) {
    struct Case {
        const char* tail;
        int saveType;
        const char* leadIn;
    } cases[] = {
        {"", kSaveTypeMbox, ""},           // nothing kept, or a device
        {"e\r\n\r\n", kSaveTypeMbox, ""},  // a whole message
        {"e\n\n", kSaveTypeMbox, ""},      // one from a system of LF lines
        {"\n\r\n", kSaveTypeMbox, ""},
        {"line\r\n", kSaveTypeMbox, "\r\n"},  // a message without its blank line
        {"torn", kSaveTypeMbox, "\r\n\r\n"},  // a writer stopped in the middle of a line
        {"---\r\n", kSaveTypeSeparator, ""},
        {"torn", kSaveTypeSeparator, "\r\n"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Framing(c.saveType)->AppendLeadIn(c.tail), c.leadIn)
            << c.tail << " " << c.saveType;
    }
}

}  // namespace
