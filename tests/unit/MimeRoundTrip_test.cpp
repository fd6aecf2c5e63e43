#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "export/framing/EnvelopeLine.h"
#include "export/mime/LineReader.h"
#include "export/mime/MimePart.h"
#include "export/seams/CalendarTime.h"
#include "tests/support/EngineInternals.h"

namespace tessera {
namespace {

namespace fs = std::filesystem;

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream data;
    data << in.rdbuf();
    return data.str();
}

// The source as the walker should store it: every break CR LF, over-long lines cut
// into 65,535-byte pieces, text from the first NUL on ignored.
std::vector<std::string> NormalLines(const std::string& text) {
    std::vector<std::string> lines;
    const char* cursor = text.c_str();
    const char* end = cursor + std::strlen(cursor);
    LineSpan line;
    while (NextLine(cursor, end, kMaxLineBytes, line)) {
        lines.emplace_back(std::string(line.data, line.length) + "\r\n");
    }
    return lines;
}

std::vector<std::string> SplitCrlf(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        const size_t stop = text.find("\r\n", start);
        const size_t next = stop == std::string::npos ? text.size() : stop + 2;
        lines.push_back(text.substr(start, next - start));
        start = next;
    }
    return lines;
}

void CollectBoundaries(const MimePart& part, std::vector<std::string>& out) {
    if (part.boundary != nullptr) out.push_back(part.boundary);
    for (const MimePart* p = part.firstChild; p != nullptr; p = p->next) CollectBoundaries(*p, out);
}

bool PrefixFree(const std::vector<std::string>& boundaries) {
    for (const std::string& a : boundaries) {
        for (const std::string& b : boundaries) {
            if (&a != &b && b.compare(0, a.size(), a) == 0) return false;
        }
    }
    return true;
}

// True when every "--" line that starts with a boundary is exactly one of its
// delimiter lines: no stray line can then be moved in front of a container's parts.
bool DelimitersAreExact(const std::vector<std::string>& lines, const std::vector<std::string>& bs) {
    for (const std::string& line : lines) {
        if (line.compare(0, 2, "--") != 0) continue;
        const std::string rest = line.substr(2, line.size() - 4);
        for (const std::string& b : bs) {
            if (rest.compare(0, b.size(), b) == 0 && rest != b && rest != b + "--") return false;
        }
    }
    return true;
}

// Checks Serialize(Parse(text)) against the text. Returns whether output and the
// consumed source matched line for line.
bool CheckRoundTrip(const std::string& text, const std::string& label) {
    MimePart root;
    const char* cursor = text.c_str();
    root.Parse(cursor);
    const std::string consumed(text.c_str(), cursor);
    const std::vector<std::string> expected = NormalLines(consumed);
    const std::string output = root.Serialize();
    std::vector<std::string> out = SplitCrlf(output);
    for (const std::string& line : out) {
        EXPECT_TRUE(line.size() >= 2 && line.compare(line.size() - 2, 2, "\r\n") == 0) << label;
        EXPECT_LE(line.size(), kMaxLineBytes + 2) << label;
    }
    std::vector<std::string> bs;
    CollectBoundaries(root, bs);
    // Lines the output may hold beyond the source: added close delimiters.
    std::multiset<std::string> extra(out.begin(), out.end());
    for (const std::string& line : expected) {
        auto it = extra.find(line);
        if (it == extra.end()) {
            ADD_FAILURE() << label << ": line lost: " << line.substr(0, 80);
            return false;
        }
        extra.erase(it);
    }
    for (const std::string& line : extra) {
        const bool close = std::any_of(bs.begin(), bs.end(), [&](const std::string& b) {
            return line == "--" + b + "--\r\n";
        });
        EXPECT_TRUE(close) << label << ": unexpected line " << line.substr(0, 80);
    }
    const bool plain = extra.empty() && PrefixFree(bs) && DelimitersAreExact(expected, bs);
    if (plain) {
        std::string joined;
        for (const std::string& line : expected) joined += line;
        EXPECT_EQ(output, joined) << label;
    }
    return plain;
}

TEST(MimeRoundTrip, WholeCorpus) {
#ifndef TESSERA_CORPUS_DIR
    GTEST_SKIP() << "TESSERA_CORPUS_DIR is not defined";
#else
    const fs::path corpus = TESSERA_CORPUS_DIR;
    if (!fs::is_directory(corpus)) {
        GTEST_SKIP() << "SKIP: no corpus at " << corpus.string()
                     << " (configure with -DTESSERA_CORPUS=DIR)";
    }
    size_t files = 0;
    size_t exact = 0;
    for (const auto& entry : fs::recursive_directory_iterator(corpus)) {
        if (!entry.is_regular_file() || entry.path().filename() == "INDEX.tsv") continue;
        const std::string text = ReadFile(entry.path());
        exact += CheckRoundTrip(text, entry.path().string()) ? 1 : 0;
        MimePart root;
        const char* cursor = text.c_str();
        root.Parse(cursor);
        const std::string line = BuildEnvelopeLine(root, CalendarTime{2024, 1, 2, 3, 4, 5});
        EXPECT_EQ(line.compare(0, 5, "From "), 0);
        EXPECT_EQ(std::count(line.begin(), line.end(), ' '), 6) << entry.path() << ": " << line;
        ++files;
    }
    EXPECT_GT(files, 0u);
    std::cout << files << " corpus files, " << exact << " compared line for line\n";
#endif
}

// Random messages built from well-formed pieces; the expected output is the
// source up to the top-level close delimiter with every break CR LF.
class MessageMaker {
  public:
    explicit MessageMaker(unsigned seed) : random_(seed) {}

    std::string Make() {
        counter_ = 0;
        return Entity(0, true);
    }

  private:
    std::string Break() {
        // A lone LF right after a lone CR would merge with it into one break.
        static const char* const kBreaks[] = {"\r\n", "\r", "\n"};
        const char* chosen = kBreaks[random_() % (lastWasCr_ ? 2 : 3)];
        lastWasCr_ = std::strcmp(chosen, "\r") == 0;
        return chosen;
    }

    // Appends one line with a random break; one call per line keeps the order of
    // the random draws (and so the CR/LF pairing rule) well defined.
    void Line(std::string& text, const std::string& line) {
        text += line;
        text += Break();
    }

    void Text(std::string& text) {
        static const char* const kLines[] = {"plain words",
                                             "",
                                             "-- signature",
                                             "From me",
                                             "\x1b$B$3$s$K$A$O\x1b(B",
                                             "\x82\xa0\x82\xa2",
                                             " indented",
                                             "=?ISO-2022-JP?B?GyRCJDMbKEI=?="};
        const int count = static_cast<int>(random_() % 5);
        for (int i = 0; i < count; ++i) {
            if (random_() % 50 == 0) {
                Line(text, std::string(kMaxLineBytes - 1 + random_() % 3, 'L'));
                continue;
            }
            Line(text, kLines[random_() % 8]);
        }
    }

    std::string Entity(int depth, bool top) {
        std::string text;
        Line(text, "X-Depth: " + std::to_string(depth));
        if (random_() % 3 == 0) {
            Line(text, "X-Folded: a");
            Line(text, "\tb");
        }
        const bool container = depth < 4 && random_() % 2 == 0;
        if (!container) {
            Line(text, "Content-Type: text/plain");
            Line(text, "");
            Text(text);
            return text;
        }
        const std::string b =
            "=_b" + std::to_string(depth) + "_" + std::to_string(counter_++) + "x";
        Line(text, "Content-Type: multipart/mixed;");
        Line(text, "\tboundary=\"" + b + "\"");
        Line(text, "");
        Text(text);
        const int parts = 1 + static_cast<int>(random_() % 3);
        for (int i = 0; i < parts; ++i) {
            Line(text, "--" + b);
            text += Entity(depth + 1, false);
        }
        Line(text, "--" + b + "--");
        if (!top || random_() % 2 == 0) Text(text);  // top level: dropped; nested: epilogue
        return text;
    }

    std::mt19937 random_;
    int counter_ = 0;
    bool lastWasCr_ = false;
};

TEST(MimeRoundTrip, GeneratedMessages) {
    MessageMaker maker(20240601);
    size_t exact = 0;
    for (int i = 0; i < 300; ++i) {
        const std::string text = maker.Make();
        exact += CheckRoundTrip(text, "generated #" + std::to_string(i)) ? 1 : 0;
    }
    EXPECT_EQ(exact, 300u) << "generated messages are well formed and must match exactly";
}

TEST(MimeRoundTrip, GoldenFiles) {
#ifndef TESSERA_SOURCE_DIR
    GTEST_SKIP() << "TESSERA_SOURCE_DIR is not defined";
#else
    const fs::path dir = fs::path(TESSERA_SOURCE_DIR) / "tests" / "golden" / "mime";
    ASSERT_TRUE(fs::is_directory(dir)) << dir;
    size_t checked = 0;
    for (const auto& entry : fs::directory_iterator(dir)) {
        if (entry.path().extension() != ".eml") continue;
        const fs::path stem = entry.path().parent_path() / entry.path().stem();
        const std::string source = ReadFile(entry.path());
        MimePart root;
        const char* cursor = source.c_str();
        root.Parse(cursor);
        EXPECT_EQ(root.Serialize(), ReadFile(stem.string() + ".out")) << entry.path();
        const fs::path dropped = stem.string() + ".noattach";
        if (fs::exists(dropped)) {
            const bool dropHtml = root.FindPart("text", "plain") != nullptr ||
                                  root.FindPart("text", "html") == nullptr;
            root.DropAttachments(dropHtml);
            EXPECT_EQ(root.Serialize(), ReadFile(dropped)) << dropped;
        }
        const fs::path envelope = stem.string() + ".envelope";
        if (fs::exists(envelope)) {
            EXPECT_EQ(BuildEnvelopeLine(root, CalendarTime{2024, 7, 1, 12, 34, 56}),
                      ReadFile(envelope))
                << envelope;
        }
        ++checked;
    }
    EXPECT_GE(checked, 4u);
#endif
}

}  // namespace
}  // namespace tessera
