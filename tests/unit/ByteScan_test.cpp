// The engine's scans agree with a byte-at-a-time reading at every alignment,
// length and position of what they look for, and never read past a NUL's block.
#include "export/text/ByteScan.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

using namespace tessera;

namespace {

const char* Slow(const char* from, const char* end, const char* any) {
    for (; from < end; ++from) {
        if (std::strchr(any, *from) && *from != '\0') return from;
    }
    return nullptr;
}

TEST(ByteScan, AgreesWithAPlainReadingEverywhere) {
    alignas(16) char buffer[96];
    for (size_t start = 0; start < 17; ++start) {
        for (size_t length = 0; start + length < 80; ++length) {
            for (size_t at = 0; at <= length; ++at) {
                std::memset(buffer, 'a', sizeof buffer);
                buffer[start + length] = '\0';
                if (at < length) buffer[start + at] = at % 2 ? '\n' : '\r';
                const char* from = buffer + start;
                const char* end = from + length;
                SCOPED_TRACE(testing::Message() << start << " " << length << " " << at);
                ASSERT_EQ(FindByte(from, end, '\r'), Slow(from, end, "\r"));
                ASSERT_EQ(FindByte(from, end, '\n'), Slow(from, end, "\n"));
                ASSERT_EQ(FindLineBreak(from, end), Slow(from, end, "\r\n"));
                ASSERT_EQ(FindByteOrNul(from, end, '\n'), Slow(from, end, "\n"));
                ASSERT_EQ(HoldsByteOrEightBit(from, end, '\r'), at < length && at % 2 == 0);
                if (at < length) {
                    buffer[start + at] = '\0';
                    ASSERT_EQ(FindByteOrNul(from, end, '\n'), from + at);
                    buffer[start + at] = at % 2 ? '\n' : '\r';
                }
                ASSERT_EQ(TextLength(from), length);
                for (size_t limit : {size_t(0), at, length, length + 1, size_t(1000)}) {
                    ASSERT_EQ(TextLengthWithin(from, limit), limit < length ? limit : length);
                }
            }
        }
    }
}

TEST(ByteScan, HighBytesAreBytesNotSigns) {
    const std::string text = "\x82\xa0\x8e\x0a\xff";
    const char* end = text.data() + text.size();
    EXPECT_EQ(FindByte(text.data(), end, '\xff'), end - 1);
    EXPECT_EQ(FindLineBreak(text.data(), end), text.data() + 3);
    EXPECT_TRUE(HoldsByteOrEightBit(end - 1, end, '\x1b'));
    EXPECT_FALSE(HoldsByteOrEightBit(text.data() + 3, end - 1, '\x1b'));
}

// The Windows build links its own memmove and memcpy (natively these are the C
// library's): every length, both directions of overlap, each byte where it belongs.
TEST(ByteCopy, MovesEveryLengthAndOverlapLikeAByteLoop) {
    char buffer[400], expected[400];
    for (size_t n = 0; n <= 200; n += n < 70 ? 1 : 13) {
        for (size_t from : {0, 1, 7, 16, 33}) {
            for (size_t to : {0, 1, 5, 16, 31, 40, 190}) {
                for (size_t i = 0; i < sizeof buffer; ++i) buffer[i] = static_cast<char>(i * 7 + 1);
                std::memcpy(expected, buffer, sizeof buffer);
                for (size_t i = 0; i < n; ++i) expected[to + i] = buffer[from + i];
                std::memmove(buffer + to, buffer + from, n);
                ASSERT_EQ(std::memcmp(buffer, expected, sizeof buffer), 0)
                    << n << " " << from << " " << to;
                if (from + n <= to || to + n <= from) {
                    std::memcpy(buffer + from, buffer + to, n);  // back again, not overlapping
                    for (size_t i = 0; i < n; ++i) expected[from + i] = expected[to + i];
                    ASSERT_EQ(std::memcmp(buffer, expected, sizeof buffer), 0)
                        << n << " " << from << " " << to;
                }
            }
        }
    }
}

}  // namespace
