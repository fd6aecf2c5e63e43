#include "export/mime/LineList.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "export/mime/LineArena.h"
#include "export/text/TextSink.h"

namespace tessera {
namespace {

std::vector<std::string> Read(const LineList& list) {
    std::vector<std::string> lines;
    for (ConstLineCursor line(list); line; line.Next())
        lines.emplace_back(line->text, line->length);
    return lines;
}

class StringSink : public TextSink {
  public:
    StringSink() : TextSink(100) {}  // small, so that pieces cross the buffer's end
    std::string text;

  private:
    bool Deliver(const char* p, size_t n) override {
        text.append(p, n);
        return true;
    }
};

std::string Written(const LineList& list) {
    StringSink sink;
    list.WriteTo(sink);
    EXPECT_TRUE(sink.Flush());
    return sink.text;
}

bool StartsWithB(const char* text, size_t n) { return n > 0 && text[0] == 'b'; }

// The list against a vector of the same lines: appends (copies, and views of
// a source with every kind of break), then passes that replace lines with
// shorter, longer or equal texts and stop anywhere.
TEST(LineList, ReplacedLinesOfAnyLengthKeepEveryOtherLineInOrder) {
    std::mt19937 random(11);
    for (int round = 0; round < 40; ++round) {
        LineArena arena;
        LineList list;
        if (round % 2 == 0) list.SetArena(&arena);  // shared storage, or the list's own
        std::vector<std::string> model;
        const int count = static_cast<int>(random() % 3000);
        std::string source;
        source.reserve(count * 300 + 80000);  // never moves: views point into it
        bool screened = true;                 // every view passed StartsWithB
        bool copiedB = false;
        for (int i = 0; i < count; ++i) {
            std::string text(random() % 500 == 0 ? 70000 : random() % 90,
                             static_cast<char>('a' + i % 26));
            if (random() % 400 == 0) text.assign(200, 'v');  // a length of two varint bytes
            if (random() % 2 == 0) {
                static const char* const kBreaks[] = {"\n", "\r\n", "\r"};
                const char* lineBreak = kBreaks[random() % 3];
                if (random() % 20 == 0) source += '-';  // not where the last view ends
                const char* at = source.data() + source.size();
                source += text + lineBreak;
                const bool pass = !StartsWithB(text.data(), text.size());
                screened = screened && pass;
                list.AppendView(at, text.size(), std::strlen(lineBreak),
                                pass ? StartsWithB : nullptr);
                model.push_back(text + "\r\n");
                continue;
            }
            copiedB = copiedB || StartsWithB(text.data(), text.size());
            if (random() % 4 == 0) {
                list.Append(text.data(), text.size());
            } else {
                list.AppendLine(text.data(), text.size());
                text += "\r\n";
            }
            model.push_back(text);
        }
        // Lines that failed the screen are not read; any others are.
        const auto isB = [](const std::string& line) { return line[0] == 'b'; };
        const bool anyB = std::any_of(model.begin(), model.end(), isB);
        EXPECT_EQ(list.AnyLine(StartsWithB), anyB) << round;
        EXPECT_EQ(list.AnyLine(StartsWithB, StartsWithB), screened ? copiedB : anyB) << round;
        const auto holdsZ = [](const char* from, const char* end) {
            return std::find(from, end, 'z') != end;
        };
        const bool anyZ = std::any_of(model.begin(), model.end(), [](const std::string& line) {
            return line.find('z') != std::string::npos;
        });
        EXPECT_EQ(list.AnyStretch(holdsZ), anyZ) << round;
        if (round % 4 == 1) {  // copied out, the lines no longer need the bytes they viewed
            list.CopyViews();
            EXPECT_FALSE(list.HoldsViews()) << round;
            std::fill(source.begin(), source.end(), '#');
        }
        ASSERT_EQ(Read(list), model) << round;  // views read in place
        std::string whole;
        for (const std::string& line : model) whole += line;
        EXPECT_TRUE(Written(list) == whole) << round;  // and written from there
        for (int pass = 0; pass < 4; ++pass) {
            const size_t stop = pass == 3 ? model.size() : random() % (model.size() + 1);
            size_t i = 0;
            for (LineCursor line(list); line && i < stop; line.Next(), ++i) {
                ASSERT_EQ(std::string(line->text, line->length), model[i]) << round << "/" << pass;
                const std::string old = model[i];
                const unsigned kind = random() % 5;
                if (kind == 0) continue;  // left as it is
                const size_t cut = old.size() / 3;
                if (kind == 1) model[i] = old.substr(cut);
                if (kind == 2) model[i] = ">" + old;
                if (kind == 3) model[i] = old + std::string(random() % 300, 'x') + "\r\n";
                if (kind == 4) model[i] = old.substr(0, cut);
                if (kind == 1) {
                    line->SetText(line->text + cut, model[i].size());  // a piece of itself
                } else {
                    line->SetText(model[i].data(), model[i].size());
                }
                if (random() % 3 == 0) line->SetText(line->text, line->length);  // the same again
                if (random() % 4 == 0) {
                    model[i] += "+";  // and longer again
                    line->SetText(model[i].data(), model[i].size());
                }
                EXPECT_EQ(std::string(line->text, line->length), model[i]);
            }
            list.AppendLine("end", 3);  // after whatever the pass left
            model.push_back("end\r\n");
            ASSERT_EQ(Read(list), model) << round << "/" << pass;
        }
        std::string all;
        for (const std::string& line : model) all += line;
        EXPECT_EQ(list.Count(), model.size());
        EXPECT_EQ(list.TotalLength(), all.size());
        EXPECT_TRUE(Written(list) == all) << round;
    }
}

TEST(LineList, StorageFollowsTheBytesNotTheNumberOfLines) {
    LineArena arena;
    LineList list;
    list.SetArena(&arena);
    const size_t lines = 1000000;
    for (size_t i = 0; i < lines; ++i) list.AppendLine("a", 1);
    EXPECT_LE(arena.BytesHeld(), 2 * lines + 512 * 1024) << "two bytes a line";
    // Every line one byte longer (mbox quoting of "From " lines) costs one copy.
    for (LineCursor line(list); line; line.Next()) line->SetText(">a\r\n", 4);
    EXPECT_LE(arena.BytesHeld(), 5 * lines + 512 * 1024);
    EXPECT_EQ(list.TotalLength(), 4 * lines);
    list.Clear();
    EXPECT_TRUE(list.empty());
    EXPECT_TRUE(Read(list).empty());
    // A view costs a byte a short line, whatever the line's length.
    LineArena views;
    list.SetArena(&views);
    std::string source;
    for (int i = 0; i < 100000; ++i) source += std::string(60, 'x') + "\n";
    for (size_t at = 0; at < source.size(); at += 61) list.AppendView(&source[at], 60, 1, nullptr);
    EXPECT_LE(views.BytesHeld(), source.size() / 61 + 512 * 1024);
    EXPECT_EQ(Written(list).size(), source.size() / 61 * 62);
}

}  // namespace
}  // namespace tessera
