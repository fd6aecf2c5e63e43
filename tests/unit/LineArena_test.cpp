#include "export/mime/LineArena.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "export/mime/LineList.h"
#include "export/mime/MimePart.h"

using namespace tessera;

namespace {

TEST(LineArena, GivesAlignedDisjointStorageOfAnySize) {
    LineArena arena;
    std::vector<std::pair<char*, size_t>> blocks;
    for (size_t size : {1u, 7u, 100u, 70000u, 3u, 300000u, 65536u, 40u}) {
        char* p = static_cast<char*>(arena.Allocate(size));
        EXPECT_EQ(reinterpret_cast<uintptr_t>(p) % alignof(std::max_align_t), 0u) << size;
        std::memset(p, static_cast<int>(size & 0x7F), size);  // ASan: all of it is ours
        blocks.emplace_back(p, size);
    }
    for (const auto& block : blocks) {
        EXPECT_EQ(block.first[block.second - 1], static_cast<char>(block.second & 0x7F))
            << block.second;
    }
    arena.Reset();
    EXPECT_NE(arena.Allocate(10), nullptr);
}

TEST(LineArena, ListsInAnArenaKeepAndReplaceTheirTexts) {
    LineArena arena;
    LineList lines;
    lines.SetArena(&arena);
    for (int i = 0; i < 20000; ++i) lines.AppendLine("line", 4);
    std::string longer(5000, 'x');
    size_t i = 0;
    for (LineCursor line(lines); line; line.Next(), ++i) {
        if (i == 0) line->SetText(longer.data(), longer.size());  // grows out of its place
        if (i == 19999) line->SetText("ab", 2);                   // fits in place
    }
    ConstLineCursor first(lines);
    EXPECT_EQ(std::string(first->text), longer);
    EXPECT_EQ(lines.Count(), 20000u);
    EXPECT_EQ(lines.TotalLength(), 5000u + 19998u * 6u + 2u);
    lines.Clear();
    EXPECT_TRUE(lines.empty());
    arena.Reset();
}

TEST(LineArena, AMessageParsedAgainStartsFromEmptyStorage) {
    MimePart root;
    for (int round = 0; round < 3; ++round) {
        std::string source = "Subject: " + std::to_string(round) +
                             "\r\nContent-Type: multipart/mixed; boundary=b\r\n\r\n--b\r\n\r\n" +
                             std::string(60000, 'a' + round) + "\r\n--b--\r\n";
        const char* cursor = source.c_str();
        root.Parse(cursor);
        ASSERT_NE(root.firstChild, nullptr);
        EXPECT_EQ(root.firstChild->Arena(), root.Arena()) << "parts share the message's storage";
        EXPECT_TRUE(root.Serialize() == source) << "round " << round;
    }
}

}  // namespace
