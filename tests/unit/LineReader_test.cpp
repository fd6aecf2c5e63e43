#include "export/mime/LineReader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tessera {
namespace {

// Every ReadLine result for a text, read with the given buffer size.
std::vector<std::string> ReadAll(const std::string& text, size_t size) {
    std::vector<std::string> lines;
    std::vector<char> buffer(size + 1, 'Z');
    const char* cursor = text.c_str();
    for (int guard = 0; guard < 100000; ++guard) {
        const size_t n = ReadLine(cursor, buffer.data(), size);
        if (n == 0) break;
        EXPECT_EQ(buffer[n], '\0');
        lines.emplace_back(buffer.data(), n);
    }
    EXPECT_EQ(*cursor, '\0') << "reading stopped before the end";
    return lines;
}

struct ReadCase {
    const char* name;
    std::string text;
    size_t size;
    std::vector<std::string> lines;
};

TEST(ReadLine, SplitsAtEveryKindOfBreak) {
    const std::vector<ReadCase> cases = {
        {"empty", "", 16, {}},
        {"crlf", "ab\r\ncd\r\n", 16, {"ab\n", "cd\n"}},
        {"lf", "ab\ncd\n", 16, {"ab\n", "cd\n"}},
        {"lone cr", "ab\rcd\r", 16, {"ab\n", "cd\n"}},
        {"cr cr lf", "a\r\r\nb", 16, {"a\n", "\n", "b"}},
        {"lf cr", "a\n\rb", 16, {"a\n", "\n", "b"}},
        {"no final break", "abc", 16, {"abc"}},
        {"blank lines", "\r\n\n\r", 16, {"\n", "\n", "\n"}},
        {"binary bytes",
         std::string("\x01\xff\x80 x\n", 6),
         16,
         {std::string("\x01\xff\x80 x\n", 6)}},
        // size 4 stores at most 3 bytes
        {"cut long line", "abcdefg\n", 4, {"abc", "def", "g\n"}},
        {"piece then break", "abc\ndef", 4, {"abc", "def"}},
        {"piece then crlf", "abc\r\nd", 4, {"abc", "d"}},
        {"piece then cr", "abc\rd", 4, {"abc", "d"}},
        {"short fits with lf", "ab\n", 4, {"ab\n"}},
        {"two pieces then break", "abcdef\r\n\r\n", 4, {"abc", "def", "\n"}},
        {"size two", "ab\n\n", 2, {"a", "b", "\n"}},
        // breaks before, at and after the eight-byte steps of the scan
        {"long cr lines",
         "0123456\r01234567\r0123456789abcdef\r\rx",
         64,
         {"0123456\n", "01234567\n", "0123456789abcdef\n", "\n", "x"}},
        {"long mixed lines",
         "0123456789\r\n0123456789abcdefg\n\x8d\x8a\x0d\x0a",
         64,
         {"0123456789\n", "0123456789abcdefg\n", "\x8d\x8a\n"}},
        {"piece ends before the break",
         "0123456789abcdef0123\r",
         17,
         {"0123456789abcdef", "0123\n"}},
    };
    for (const ReadCase& c : cases) {
        EXPECT_EQ(ReadAll(c.text, c.size), c.lines) << c.name;
    }
}

TEST(ReadLine, ReturnsZeroWithoutMovingAtEnd) {
    const std::string text = "x";
    const char* cursor = text.c_str();
    char buffer[8];
    EXPECT_EQ(ReadLine(cursor, buffer, sizeof buffer), 1u);
    const char* atEnd = cursor;
    EXPECT_EQ(ReadLine(cursor, buffer, sizeof buffer), 0u);
    EXPECT_EQ(cursor, atEnd);
    EXPECT_STREQ(buffer, "");
}

TEST(ReadLine, TinyBuffersStoreNothing) {
    const std::string text = "abc";
    const char* cursor = text.c_str();
    char buffer[2] = {'Q', 'Q'};
    EXPECT_EQ(ReadLine(cursor, buffer, 0), 0u);
    EXPECT_EQ(buffer[0], 'Q');
    EXPECT_EQ(ReadLine(cursor, buffer, 1), 0u);
    EXPECT_EQ(buffer[0], '\0');
    EXPECT_EQ(cursor, text.c_str());
}

// With the walker's 65,536-byte buffer, a break right after a full piece stays
// with that piece instead of making an empty line.
TEST(ReadLine, BreakAfterFullPieceBelongsToIt) {
    const size_t size = kMaxLineBytes + 1;
    const std::vector<std::string> breaks = {"\n", "\r\n", "\r"};
    for (const std::string& br : breaks) {
        const std::string piece(kMaxLineBytes, 'a');
        const std::vector<std::string> lines = ReadAll(piece + br + "next\n", size);
        ASSERT_EQ(lines.size(), 2u) << "break length " << br.size();
        EXPECT_EQ(lines[0], piece);
        EXPECT_EQ(lines[1], "next\n");
    }
    const std::string shorter(kMaxLineBytes - 1, 'b');
    const std::vector<std::string> lines = ReadAll(shorter + "\n", size);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], shorter + "\n");
}

TEST(ReadLine, SeventyThousandBytesMakeTwoPieces) {
    std::string text;
    for (size_t i = 0; i < 70000; ++i) text.push_back(static_cast<char>('a' + i % 26));
    const std::vector<std::string> lines = ReadAll(text, kMaxLineBytes + 1);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].size(), 65535u);
    EXPECT_EQ(lines[1].size(), 4465u);
    EXPECT_EQ(lines[0] + lines[1], text);
}

TEST(NextLine, HonoursTheEndOfARange) {
    const std::string text = "ab\r\ncd";
    const char* cursor = text.data();
    const char* end = text.data() + 3;  // stops between CR and LF
    LineSpan line;
    ASSERT_TRUE(NextLine(cursor, end, 100, line));
    EXPECT_EQ(std::string(line.data, line.length), "ab");
    EXPECT_TRUE(line.hadBreak);
    EXPECT_EQ(cursor, end);
    EXPECT_FALSE(NextLine(cursor, end, 100, line));
}

TEST(NextLine, ReportsMissingBreak) {
    const std::string text = "abcdef";
    const char* cursor = text.data();
    LineSpan line;
    ASSERT_TRUE(NextLine(cursor, text.data() + text.size(), 4, line));
    EXPECT_EQ(line.length, 4u);
    EXPECT_FALSE(line.hadBreak);
    ASSERT_TRUE(NextLine(cursor, text.data() + text.size(), 4, line));
    EXPECT_EQ(std::string(line.data, line.length), "ef");
    EXPECT_FALSE(line.hadBreak);
}

TEST(SourceLineBreak, IsTheFirstBreakOfTheText) {
    const struct {
        std::string text;
        std::string lineBreak;
    } cases[] = {
        {"a\r\nb\nc", "\r\n"}, {"a\nb\r\n", "\n"}, {"a\rb", "\r"},
        {"a\r", "\r"},         {"none", "\r\n"},   {"", "\r\n"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(SourceLineBreak(c.text.data(), c.text.data() + c.text.size()), c.lineBreak)
            << c.text;
    }
}

}  // namespace
}  // namespace tessera
