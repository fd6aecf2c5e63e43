// The background writer keeps the bytes in order and whole, and a failure
// is told, never lost: by a later call or by Drain, after which nothing more
// is written.
#include "platform/BackgroundWriter.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>

using namespace tessera;

namespace {

TEST(BackgroundWriter, WritesEveryByteInOrderInPiecesOfItsSize) {
    std::string written;
    size_t calls = 0;
    BackgroundWriter writer([&](const char* data, size_t size) {
        written.append(data, size);
        ++calls;
        return 0;
    });
    std::string expected;
    for (int i = 0; i < 3000; ++i) {
        const std::string piece(static_cast<size_t>(i % 700 + 1), static_cast<char>('a' + i % 26));
        expected += piece;
        ASSERT_EQ(writer.Put(piece.data(), piece.size()), 0);
    }
    const std::string large(3 * BackgroundWriter::kPieceBytes, 'L');  // given at once
    expected += large;
    ASSERT_EQ(writer.Put(large.data(), large.size()), 0);
    ASSERT_EQ(writer.Drain(), 0);
    EXPECT_EQ(written, expected);
    EXPECT_LE(calls, expected.size() / (BackgroundWriter::kPieceBytes / 2) + 1);
}

TEST(BackgroundWriter, AFailureIsToldByALaterCallAndNothingIsWrittenAfterIt) {
    size_t calls = 0;
    BackgroundWriter writer([&](const char*, size_t) { return ++calls == 2 ? ENOSPC : 0; });
    const std::string piece(BackgroundWriter::kPieceBytes, 'x');
    int told = 0;
    for (int i = 0; i < 5 && told == 0; ++i) told = writer.Put(piece.data(), piece.size());
    EXPECT_EQ(told, ENOSPC);  // the second piece failed; the third or fourth call tells
    EXPECT_EQ(writer.Put("y", 1), ENOSPC);
    EXPECT_EQ(writer.Drain(), ENOSPC);
    EXPECT_EQ(calls, 2u);
}

}  // namespace
