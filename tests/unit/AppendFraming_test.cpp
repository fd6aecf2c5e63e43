// What an append writes before its first message, for every kind of old tail.
#include "export/AppendFraming.h"

#include <gtest/gtest.h>

#include "export/ExportFormat.h"

using namespace tessera;

namespace {

TEST(AppendFraming, NewMessageStartsOnALineOfItsOwnAndAnEnvelopeAfterABlankLine) {
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
        EXPECT_EQ(AppendLeadIn(c.tail, c.saveType), c.leadIn) << c.tail << " " << c.saveType;
    }
}

}  // namespace
