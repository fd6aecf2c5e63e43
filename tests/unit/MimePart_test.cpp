#include "export/mime/MimePart.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "export/mime/LineReader.h"
#include "tests/support/CrlfText.h"
#include "tests/support/EngineInternals.h"

namespace tessera {
namespace {

using tessera::testing::Crlf;

std::unique_ptr<MimePart> ParseText(const std::string& text) {
    auto part = std::make_unique<MimePart>();
    const char* cursor = text.c_str();
    part->Parse(cursor);
    return part;
}

std::vector<std::string> Lines(const LineList& list) {
    std::vector<std::string> lines;
    for (ConstLineCursor e(list); e; e.Next()) {
        EXPECT_EQ(std::strlen(e->text), e->length);
        lines.emplace_back(e->text, e->length);
    }
    return lines;
}

size_t CountParts(const MimePart& part) {
    size_t n = 0;
    for (const MimePart* p = part.firstChild; p != nullptr; p = p->next) ++n;
    return n;
}

std::string Header(const MimePart& part, const char* name, size_t size = 1024) {
    std::vector<char> buffer(size, 'Z');
    part.GetHeader(name, buffer.data(), size);
    return buffer.data();
}

// ---- Parameters and Content-Type ------------------------------------------

struct ContentTypeCase {
    const char* header;
    const char* type;  // null: not usable
    const char* subtype;
    const char* boundary;
};

TEST(ParseContentType, ReadsTypeSubtypeAndBoundary) {
    const std::vector<ContentTypeCase> cases = {
        {"Content-Type: text/plain; charset=us-ascii\r\n", "text", "plain", nullptr},
        {"Content-Type: multipart/mixed; boundary=\"XyZ\"\r\n", "multipart", "mixed", "XyZ"},
        {"Content-Type: multipart/mixed; boundary=XyZ\r\n", "multipart", "mixed", "XyZ"},
        {"Content-Type: multipart/mixed;\r\n\tboundary=\"XyZ\"\r\n", "multipart", "mixed", "XyZ"},
        {"content-type: TEXT/Plain\r\n", "TEXT", "Plain", nullptr},
        {"Content-Type: text\r\n", nullptr, nullptr, nullptr},
        {"Content-Type:\r\n", nullptr, nullptr, nullptr},
        {"Content-Type: multipart/mixed; boundary=a; BOUNDARY=b\r\n", "multipart", "mixed", "b"},
        {"Content-Type: multipart/mixed; boundary = \"b1\"\r\n", "multipart", "mixed", "b1"},
        {"Content-Type: multipart/mixed (x) ; (y) boundary=a\r\n", "multipart", "mixed", "a"},
        {"Content-Type: multipart/mixed; boundary*0=a; boundary*1=b\r\n", "multipart", "mixed",
         "ab"},
        {"Content-Type: multipart/mixed; boundary=\"a b\r\n", "multipart", "mixed", "a b"},
    };
    for (const ContentTypeCase& c : cases) {
        std::string header = c.header;
        ASSERT_TRUE(IsContentTypeHeader(header.data(), header.size())) << c.header;
        ContentTypeFields fields;
        const bool usable = ParseContentType(header, fields);
        EXPECT_EQ(usable, c.type != nullptr) << c.header;
        if (!usable) continue;
        EXPECT_EQ(fields.type, c.type) << c.header;
        EXPECT_EQ(fields.subtype, c.subtype) << c.header;
        EXPECT_EQ(fields.hasBoundary, c.boundary != nullptr) << c.header;
        if (c.boundary != nullptr) {
            EXPECT_EQ(fields.boundary, c.boundary) << c.header;
        }
    }
    EXPECT_FALSE(IsContentTypeHeader("Content-Type :x", 15));
    EXPECT_FALSE(IsContentTypeHeader("Content-Typ", 11));
}

TEST(MimePartParse, CutsLongMediaTypesAndKeepsEarlierOnesWhenUnusable) {
    const std::string longType(60, 't');
    auto part = ParseText("Content-Type: " + longType + "/" + std::string(50, 's') +
                          "\nContent-Type: text\n\nbody\n");
    EXPECT_EQ(std::string(part->type), std::string(kMaxMediaTypeLength, 't'));
    EXPECT_EQ(std::strlen(part->subtype), kMaxMediaTypeLength);
    auto second = ParseText(
        "Content-Type: multipart/mixed; boundary=one\n"
        "Content-Type: multipart/alternative\n\n");
    EXPECT_STREQ(second->subtype, "alternative");
    ASSERT_NE(second->boundary, nullptr);
    EXPECT_STREQ(second->boundary, "one");
}

// ---- Parsing ----------------------------------------------------------------

TEST(MimePartParse, EmptyTextGivesNoLines) {
    auto part = ParseText("");
    EXPECT_TRUE(part->headers.empty());
    EXPECT_TRUE(part->body.empty());
    EXPECT_EQ(part->Serialize(), "");
}

TEST(MimePartParse, SplitsHeadersFromBody) {
    auto part = ParseText("Subject: hi\nX: a\n\tb\n\nline 1\r\nline 2");
    EXPECT_EQ(Lines(part->headers),
              (std::vector<std::string>{"Subject: hi\r\n", "X: a\r\n\tb\r\n", "\r\n"}));
    EXPECT_EQ(Lines(part->body), (std::vector<std::string>{"line 1\r\n", "line 2\r\n"}));
    EXPECT_EQ(part->type[0], '\0');
    EXPECT_EQ(part->boundary, nullptr);
}

TEST(MimePartParse, NoBlankLineMeansHeadersOnly) {
    auto part = ParseText("A: 1\nB: 2\n--x\n");
    EXPECT_EQ(part->headers.Count(), 3u);
    EXPECT_TRUE(part->body.empty());
}

const char kMixed[] =
    "Content-Type: multipart/mixed; boundary=\"XyZ\"\n"
    "\n"
    "preamble\n"
    "--XyZ\n"
    "Content-Type: text/plain\n"
    "\n"
    "hello\n"
    "--XyZ\n"
    "Content-Type: image/png\n"
    "\n"
    "iVBOR\n"
    "--XyZ--\n"
    "top epilogue\n";

TEST(MimePartParse, BuildsPartsOfAContainer) {
    const std::string text = kMixed;
    auto root = std::make_unique<MimePart>();
    const char* cursor = text.c_str();
    root->Parse(cursor);
    EXPECT_STREQ(cursor, "top epilogue\n") << "cursor stops after the close delimiter";
    ASSERT_EQ(CountParts(*root), 2u);
    EXPECT_STREQ(root->firstChild->subtype, "plain");
    EXPECT_EQ(Lines(root->firstChild->body), (std::vector<std::string>{"hello\r\n"}));
    EXPECT_STREQ(root->firstChild->next->type, "image");
    EXPECT_EQ(Lines(root->body), (std::vector<std::string>{"preamble\r\n"}));
    std::string expected = Crlf(kMixed);
    expected.resize(expected.size() - std::strlen("top epilogue\r\n"));
    EXPECT_EQ(root->Serialize(), expected);
}

TEST(MimePartParse, NestedEpilogueIsKept) {
    const std::string text = Crlf(
        "Content-Type: multipart/mixed; boundary=out\n\n"
        "--out\n"
        "Content-Type: multipart/alternative; boundary=in\n\n"
        "--in\n\nplain\n"
        "--in--\n"
        "inner epilogue\n"
        "--out--\n");
    auto root = ParseText(text);
    ASSERT_EQ(CountParts(*root), 1u);
    EXPECT_EQ(Lines(root->firstChild->epilogue), (std::vector<std::string>{"inner epilogue\r\n"}));
    EXPECT_EQ(root->Serialize(), text);
}

TEST(MimePartParse, DelimiterWithTrailingBlanksMovesToContainerBody) {
    const std::string text = Crlf(
        "Content-Type: multipart/mixed; boundary=XyZ\n\n"
        "pre\n--XyZ\n\none\n--XyZ  \nstray\n--XyZ\n\ntwo\n--XyZ--\n");
    auto root = ParseText(text);
    ASSERT_EQ(CountParts(*root), 2u);
    EXPECT_EQ(Lines(root->body), (std::vector<std::string>{"pre\r\n", "--XyZ  \r\n", "stray\r\n"}));
    EXPECT_EQ(root->Serialize(),
              Crlf("Content-Type: multipart/mixed; boundary=XyZ\n\n"
                   "pre\n--XyZ  \nstray\n--XyZ\n\none\n--XyZ\n\ntwo\n--XyZ--\n"));
}

TEST(MimePartParse, PrefixOfBoundaryEndsLeafPart) {
    auto root =
        ParseText("Content-Type: multipart/mixed; boundary=ab\n\n--ab\n\nleaf\n--abc\n--ab--\n");
    ASSERT_EQ(CountParts(*root), 1u);
    EXPECT_EQ(Lines(root->firstChild->body), (std::vector<std::string>{"leaf\r\n"}));
    EXPECT_EQ(Lines(root->body), (std::vector<std::string>{"--abc\r\n"}));
}

TEST(MimePartParse, MissingCloseDelimiterIsAddedOnOutput) {
    const std::string text = "Content-Type: multipart/mixed; boundary=b\n\n--b\n\nx";
    auto root = ParseText(text);
    EXPECT_EQ(root->Serialize(), Crlf(text + "\n--b--\n"));
}

TEST(MimePartParse, NestedMissingCloseLetsLastPartTakeTheRest) {
    const std::string text = Crlf(
        "Content-Type: multipart/mixed; boundary=out\n\n"
        "--out\nContent-Type: multipart/related; boundary=in\n\n"
        "--in\n\ninner\n--out\n\nsecond\n--out--\n");
    auto root = ParseText(text);
    ASSERT_EQ(CountParts(*root), 1u);
    const MimePart* leaf = root->firstChild->firstChild;
    ASSERT_NE(leaf, nullptr);
    EXPECT_EQ(Lines(leaf->body).size(), 5u);
    EXPECT_EQ(root->Serialize(), text + Crlf("--in--\n--out--\n"));
}

TEST(MimePartParse, PartWithoutBlankLineTakesDelimitersAsHeaders) {
    auto root = ParseText("Content-Type: multipart/mixed; boundary=b\n\n--b\nX: 1\n--b\n--b--\n");
    ASSERT_EQ(CountParts(*root), 1u);
    EXPECT_EQ(Lines(root->firstChild->headers),
              (std::vector<std::string>{"X: 1\r\n", "--b\r\n", "--b--\r\n"}));
}

// A close delimiter before any part closes nothing: the line and what follows
// it stay in the body instead of vanishing on output.
TEST(MimePartParse, CloseDelimiterWithoutPartsKeepsItsLines) {
    const std::vector<std::string> texts = {
        Crlf("Content-Type: multipart/mixed; boundary=b\n\npre\n--b--\nafter\n"),
        Crlf("Content-Type: multipart/mixed; boundary=o\n\n--o\n"
             "Content-Type: multipart/mixed; boundary=i\n\npre\n--i--\nafter\n--o--\n"),
    };
    for (const std::string& text : texts) {
        EXPECT_EQ(ParseText(text)->Serialize(), text);
    }
}

TEST(MimePartParse, ContainerWithoutBoundaryOrMatchIsOnePart) {
    const std::vector<std::string> texts = {
        Crlf("Content-Type: multipart/mixed\n\n--b\n\nx\n--b--\n"),
        Crlf("Content-Type: multipart/mixed; boundary=zz\n\n--b\n\nx\n--b--\n"),
        Crlf("Content-Type: text\n\n--b\n"),
    };
    for (const std::string& text : texts) {
        auto root = ParseText(text);
        EXPECT_EQ(root->firstChild, nullptr);
        EXPECT_EQ(root->Serialize(), text);
    }
}

TEST(MimePartParse, LongLinesBecomePiecesWithoutLoss) {
    const std::string exact(kMaxLineBytes, 'e');
    EXPECT_EQ(ParseText("\n" + exact + "\nz\n")->Serialize(), Crlf("\n" + exact + "\nz\n"));
    const std::string longer(70000, 'l');
    auto part = ParseText("\n" + longer);
    const std::vector<std::string> lines = Lines(part->body);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].size(), 65535u + 2);
    EXPECT_EQ(lines[1].size(), 4465u + 2);
}

TEST(MimePartParse, FoldedHeaderStaysWithinLimit) {
    std::string text = "X-Long: start\n";
    const std::string continuation = "\t" + std::string(1000, 'c') + "\n";
    for (int i = 0; i < 100; ++i) text += continuation;
    text += "\nbody\n";
    auto part = ParseText(text);
    size_t total = 0;
    for (ConstLineCursor e(part->headers); e; e.Next()) {
        EXPECT_LE(e->length, kMaxFoldedHeaderBytes);
        total += e->length;
    }
    EXPECT_GT(part->headers.Count(), 2u);
    EXPECT_EQ(part->Serialize(), Crlf(text));
    EXPECT_EQ(total + 6, Crlf(text).size());
}

TEST(MimePartParse, ReparseReplacesEverything) {
    MimePart root;
    const std::string first = kMixed;
    const char* cursor = first.c_str();
    root.Parse(cursor);
    const std::string second = "Subject: two\n\nplain body\n";
    cursor = second.c_str();
    root.Parse(cursor);
    EXPECT_EQ(root.firstChild, nullptr);
    EXPECT_EQ(root.boundary, nullptr);
    EXPECT_EQ(root.type[0], '\0');
    EXPECT_EQ(Header(root, "subject"), "two\r\n");
    EXPECT_EQ(root.Serialize(), Crlf(second));
}

TEST(MimePartParse, EnclosingBoundaryEndsTheEntity) {
    const std::string text = Crlf("X: 1\n\nbody\n--outer\nrest\n");
    MimePart part;
    const char* cursor = text.c_str();
    part.Parse(cursor, "outer");
    EXPECT_STREQ(cursor, "--outer\r\nrest\r\n");
    EXPECT_EQ(part.Serialize(), Crlf("X: 1\n\nbody\n"));
}

TEST(MimePartParse, RangeFormStopsAtNulAndEnd) {
    const std::string text("A: 1\n\nbody\n\0hidden\n", 19);
    MimePart part;
    const char* cursor = text.data();
    part.Parse(cursor, text.data() + text.size(), nullptr);
    EXPECT_EQ(part.Serialize(), Crlf("A: 1\n\nbody\n"));
    MimePart cut;
    cursor = text.data();
    cut.Parse(cursor, text.data() + 8, nullptr);
    EXPECT_EQ(cut.Serialize(), Crlf("A: 1\n\nbo\n"));
}

// ---- Hostile structure -------------------------------------------------------

std::string NestedContainers(size_t levels) {
    std::string text;
    for (size_t i = 0; i < levels; ++i) {
        // "x" ends each boundary so that none is a prefix of another
        text += "Content-Type: multipart/mixed; boundary=b" + std::to_string(i) + "x\n\n";
        text += "--b" + std::to_string(i) + "x\n";
    }
    text += "\ninnermost\n";
    for (size_t i = levels; i-- > 0;) text += "--b" + std::to_string(i) + "x--\n";
    return text;
}

size_t Depth(const MimePart& root) {
    size_t depth = 0;
    for (const MimePart* p = root.firstChild; p != nullptr; p = p->firstChild) ++depth;
    return depth;
}

TEST(MimePartHostile, NestingIsCappedWithoutLoss) {
    const std::vector<size_t> levels = {kMaxNestingDepth - 1, kMaxNestingDepth,
                                        kMaxNestingDepth + 1, 2000};
    for (size_t n : levels) {
        const std::string text = NestedContainers(n);
        auto root = ParseText(text);
        EXPECT_EQ(Depth(*root), n < kMaxNestingDepth ? n : kMaxNestingDepth) << n;
        EXPECT_EQ(root->Serialize(), Crlf(text)) << n;
    }
}

TEST(MimePartHostile, SiblingFloodIsCappedWithoutLoss) {
    std::string text = "Content-Type: multipart/mixed; boundary=s\n\n";
    for (size_t i = 0; i < kMaxPartCount + 500; ++i) text += "--s\n\np" + std::to_string(i) + "\n";
    text += "--s--\n";
    auto root = ParseText(text);
    EXPECT_EQ(CountParts(*root), kMaxPartCount);
    EXPECT_EQ(root->Serialize(), Crlf(text));
}

TEST(MimePartHostile, LongManualSiblingChainIsDestroyedIteratively) {
    auto root = std::make_unique<MimePart>();
    root->SetBoundary("b", 1);
    MimePart* last = nullptr;
    for (int i = 0; i < 1000000; ++i) {
        MimePart* part = new MimePart();
        part->firstChild = i % 2 == 0 ? new MimePart() : nullptr;
        if (last != nullptr) {
            last->next = part;
        } else {
            root->firstChild = part;
        }
        last = part;
    }
    root.reset();  // a recursive teardown would overflow the stack here
    SUCCEED();
}

TEST(MimePartHostile, BinaryAndEndlessHeadersAreKept) {
    std::string text;
    for (int i = 1; i < 256; ++i) text.push_back(static_cast<char>(i));
    text += "\n\t\n \n--\n";
    auto root = ParseText(text);
    std::string expected;  // CR and LF never touch here, so each becomes CR LF
    for (char c : text) {
        if (c == '\r' || c == '\n') {
            expected += "\r\n";
            continue;
        }
        expected.push_back(c);
    }
    EXPECT_EQ(root->Serialize(), expected);
    // bytes 1-9 | 11-12 | 14-255 folded with the two blank-led lines | "--"
    EXPECT_EQ(root->headers.Count(), 4u);
    EXPECT_TRUE(root->body.empty());
}

// ---- Lookups -------------------------------------------------------------------

TEST(MimePartGetHeader, FindsFirstMatchingName) {
    auto part =
        ParseText("From: a@b\nSubject: one\n two\nsubject: later\nX-From: no\n\nFrom: body\n");
    EXPECT_EQ(Header(*part, "from"), "a@b\r\n");
    EXPECT_EQ(Header(*part, "SUBJECT"), "one\r\n two\r\n");
    EXPECT_EQ(Header(*part, "Date"), "");
    EXPECT_EQ(Header(*part, "Subject", 4), "one");
    EXPECT_EQ(Header(*part, "Subj"), "");
    auto blank = ParseText("Empty:\n\tvalue\n\n");
    EXPECT_EQ(Header(*blank, "empty"), "value\r\n");
}

TEST(MimePartGetHeader, LooksOnlyAtItsOwnHeaders) {
    auto root = ParseText(kMixed);
    EXPECT_EQ(Header(*root, "Content-Type"), "multipart/mixed; boundary=\"XyZ\"\r\n");
    EXPECT_EQ(Header(*root->firstChild, "content-type"), "text/plain\r\n");
    char one[1] = {'Q'};
    root->GetHeader("content-type", one, 1);
    EXPECT_EQ(one[0], '\0');
}

TEST(MimePartFindPart, SearchesPreOrderIgnoringCase) {
    auto root = ParseText(
        Crlf("Content-Type: multipart/mixed; boundary=o\n\n"
             "--o\nContent-Type: multipart/alternative; boundary=i\n\n"
             "--i\nContent-Type: TEXT/Plain\n\nA\n--i\nContent-Type: text/html\n\nB\n--i--\n"
             "--o\nContent-Type: text/plain\n\nC\n--o--\n"));
    const MimePart* alternative = root->firstChild;
    EXPECT_EQ(root->FindPart(nullptr, nullptr), root.get());
    EXPECT_EQ(root->FindPart("text", "plain"), alternative->firstChild);
    EXPECT_EQ(root->FindPart("TEXT", "HTML"), alternative->firstChild->next);
    EXPECT_EQ(root->FindPart(nullptr, "alternative"), alternative);
    EXPECT_EQ(alternative->next->FindPart("text", nullptr), alternative->next);
    EXPECT_EQ(alternative->firstChild->FindPart("text", "html"), alternative->firstChild->next)
        << "following siblings of the start are searched too";
    EXPECT_EQ(alternative->firstChild->next->FindPart("text", "plain"), nullptr)
        << "the search never climbs to the parent's siblings";
    EXPECT_EQ(root->FindPart("image", nullptr), nullptr);
    EXPECT_EQ(root->FindPart("tex", nullptr), nullptr);
}

}  // namespace
}  // namespace tessera
