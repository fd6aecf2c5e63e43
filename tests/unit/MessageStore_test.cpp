#include "mailstore/MessageStore.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "mailstore/MboxFraming.h"
#include "mailstore/MboxSplitter.h"
#include "mailstore/StoreHost.h"

using namespace tessera;

namespace {

// A file in a folder of this run, removed when the tests end.
std::string Temp(const char* name) {
    static struct Folder {
        std::string path;
        Folder() {
            char pattern[] = "/tmp/tessera-store-XXXXXX";
            path = mkdtemp(pattern) ? pattern : "/tmp";
        }
        ~Folder() {
            if (path != "/tmp") std::filesystem::remove_all(path);
        }
    } folder;
    return folder.path + "/" + name;
}

TEST(MboxrdUnescape, DropsOneQuoteFromQuotedFromLinesOnly) {
    struct {
        const char* in;
        const char* out;
    } cases[] = {
        {">From a\n", "From a\n"},
        {"x\n>>From b\r\n", "x\n>From b\r\n"},
        {">from c\n", ">from c\n"},  // mboxrd readers unescape "From " only
        {"a > b\n>Fromage\n", "a > b\n>Fromage\n"},
        {"no quotes\n", "no quotes\n"},
        {"last >From", "last >From"},
        {"\n>From x", "\nFrom x"},
        {">From a\nb\n>>From c\n>x\nd\n>From e", "From a\nb\n>From c\n>x\nd\nFrom e"},
    };
    for (const auto& c : cases) {
        std::string text = c.in;
        text.resize(UnquoteFromLines(&text[0], text.size(), false));
        EXPECT_EQ(text, c.out) << c.in;
        EXPECT_EQ(UnquoteFromLines(std::string(c.in), false), c.out) << c.in;
    }
}

TEST(MessageStoreMbox, DropsTheBlankLineBeforeEachEnvelopeAcrossReadBlocks) {
    // Every envelope line after the first straddles a multiple of 256 KiB (the
    // reader's blocks are a multiple of it), at a different byte each time;
    // messages end with an LF blank line, a CR LF one, or none.
    const char* gaps[] = {"\n", "\r\n", ""};
    const std::string envelope = "From sender@example.jp Mon Dec  7 08:00:00 2026\n";
    std::string path = Temp("blocks.mbox");
    std::vector<std::string> bodies;
    std::string box;
    for (size_t i = 0; i < 7; ++i) {
        const size_t next = (i + 1) * 256 * 1024 - 3 - i * 6;  // where the next envelope starts
        const std::string head = "Subject: " + std::to_string(i) + "\n\n";
        const std::string tail = std::string("\nlast line\n") + gaps[i % 3];
        std::string body =
            head +
            std::string(next - box.size() - envelope.size() - head.size() - tail.size(),
                        static_cast<char>('a' + i)) +
            "\nlast line\n";
        bodies.push_back(body);
        box += envelope + body + gaps[i % 3];
    }
    std::ofstream(path, std::ios::binary) << box;
    MessageStore store;
    std::string error;
    ASSERT_TRUE(store.AddPath(path, error)) << error;
    ASSERT_EQ(store.Count(), bodies.size());
    for (size_t i = 0; i < bodies.size(); ++i) {
        std::string text;
        ASSERT_TRUE(store.Source(i, text));
        EXPECT_EQ(text, bodies[i]) << i;
        std::string direct(store.SizeHint(i), '\0');
        size_t length = 0;
        ASSERT_TRUE(store.SourceInto(i, &direct[0], length));
        EXPECT_EQ(direct.substr(0, length), text) << i;
    }
    EXPECT_EQ(store.Name(6), path + ":7");
}

TEST(MessageStoreMbox, SplitsAtEveryFromLineAndUnquotesAsItsWriterQuoted) {
    const std::string tessera = "From taro@example.jp Tue Mar 05 09:07:03 2002\r\n";
    const std::string asctime = "From taro@example.jp Tue Mar  5 09:07:03 2002\n";
    struct {
        std::string box;
        std::vector<std::string> messages;
    } cases[] = {
        {asctime + "A\nFrom inside\nB\n\n" + asctime + "C\n", {"A\n", "B\n", "C\n"}},
        {asctime + "\n" + asctime + "X\n", {"", "X\n"}},
        {tessera + ">from a\r\n>>From b\r\n>FROM c\r\nfrom d\r\n\r\n",
         {"from a\r\n>From b\r\nFROM c\r\nfrom d\r\n"}},
        {asctime + ">from a\n>>From b\n\n" + tessera + ">from a\r\n\r\n",
         {">from a\n>From b\n", "from a\r\n"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.box);
        std::string path = Temp("split.mbox");
        std::ofstream(path, std::ios::binary | std::ios::trunc) << c.box;
        MessageStore store;
        std::string error;
        ASSERT_TRUE(store.AddPath(path, error)) << error;
        ASSERT_EQ(store.Count(), c.messages.size());
        for (size_t i = 0; i < c.messages.size(); ++i) {
            std::string text;
            ASSERT_TRUE(store.Source(i, text));
            EXPECT_EQ(text, c.messages[i]) << i;
        }
    }
}

TEST(MboxSplitter, MarksQuotedLinesAndNulBytesOfEachMessageWhateverThePieces) {
    // The reader skips unquoting and the NUL scan on what these marks clear:
    // a mark missed would leave a ">From " quoted or a NUL untold.
    const std::string env = "From a Mon Dec  7 08:00:00 2026\n";
    using namespace std::string_literals;
    const std::string box = env + "plain\n\n" + env + "x\n>From y\n\n" + env + "a\0b\n"s + env +
                            "\n>\n" + env + "end\0>\n\n"s + env + "q\n" + "From \0 x\n"s;
    const std::vector<std::pair<bool, bool>> want = {{false, false}, {true, false}, {false, true},
                                                     {true, false},  {false, true}, {false, false},
                                                     {false, false}};
    for (size_t piece : {size_t(1), size_t(2), size_t(3), size_t(7), box.size()}) {
        SCOPED_TRACE(piece);
        std::vector<std::pair<bool, bool>> got;
        auto publish = [&](uint64_t, uint64_t, MboxSplitter::Marks marks) {
            got.emplace_back(marks.quoted, marks.nul);
        };
        MboxSplitter splitter;
        for (size_t at = 0; at < box.size(); at += piece)
            splitter.Feed(box.data() + at, box.data() + std::min(box.size(), at + piece), publish);
        splitter.Finish(box.size(), publish);
        EXPECT_EQ(got, want);
    }
}

TEST(MessageStoreMbox, KeepsInputOrderWhileMboxesAreIndexedInTheBackground) {
    std::string boxA = Temp("order-a.mbox"), boxB = Temp("order-b.mbox"), eml = Temp("order.eml");
    std::string a, b;
    for (int i = 0; i < 300; ++i)
        a += "From x Mon Dec  7 08:00:00 2026\nSubject: a" + std::to_string(i) + "\n\nbody\n\n";
    for (int i = 0; i < 2; ++i)
        b += "From y Mon Dec  7 08:00:00 2026\nSubject: b" + std::to_string(i) + "\n\nbody\n\n";
    std::ofstream(boxA, std::ios::binary) << a;
    std::ofstream(boxB, std::ios::binary) << b;
    std::ofstream(eml, std::ios::binary) << "Subject: e\n\nbody\n";
    MessageStore store;
    std::string error;
    ASSERT_TRUE(store.AddPath(boxA, error));
    ASSERT_TRUE(store.AddPath(eml, error));
    ASSERT_TRUE(store.AddPath(boxB, error));
    store.AddText("stdin", "Subject: s\n\nbody\n");
    // Walk as the host does, without asking for the total first.
    std::vector<std::string> subjects;
    std::string text;
    for (size_t i = 0; store.Has(i); ++i) {
        ASSERT_TRUE(store.Source(i, text));
        subjects.push_back(text.substr(9, text.find('\n') - 9));
    }
    ASSERT_EQ(subjects.size(), 304u);
    EXPECT_EQ(store.Count(), 304u);
    EXPECT_EQ(subjects[0], "a0");
    EXPECT_EQ(subjects[299], "a299");
    EXPECT_EQ(subjects[300], "e");
    EXPECT_EQ(subjects[301], "b0");
    EXPECT_EQ(subjects[302], "b1");
    EXPECT_EQ(subjects[303], "s");
    EXPECT_FALSE(store.Has(304));
    store.Clear();
    EXPECT_EQ(store.Count(), 0u);
}

TEST(MessageStore, NamesInputsThatCannotBeRead) {
    MessageStore store;
    std::string error;
    EXPECT_FALSE(store.AddPath(Temp("missing"), error));
    EXPECT_NE(error.find("missing"), std::string::npos);
    std::ofstream(Temp("empty"), std::ios::binary) << "";
    EXPECT_FALSE(store.AddPath(Temp("empty"), error));
    EXPECT_EQ(store.Count(), 0u);
}

TEST(TopLevelCharset, ReadsTheFoldedParameterOfTheMessageHeaderOnly) {
    EXPECT_EQ(TopLevelCharset("Content-Type: text/plain;\r\n\tcharset=\"ISO-2022-JP\"\r\n\r\n"),
              "ISO-2022-JP");
    EXPECT_EQ(TopLevelCharset("Subject: x\n\nContent-Type: text/plain; charset=euc-jp\n"), "");
    EXPECT_EQ(TopLevelCharset("content-type: text/plain; Charset=EUC-JP; format=flowed\n"),
              "EUC-JP");
    EXPECT_EQ(TopLevelCharset("Content-Type: text/plain; x-charset=a; charset = b\n"), "b");
}

}  // namespace

TEST(StoreHostSource, EachSourceWholeWhileLargeBuffersAreReused) {
    // Falling and rising sizes: a kept buffer larger than the next source must
    // hold exactly that source, ended where it ends.
    const size_t sizes[] = {2500000, 300000, 3000000, 1000000, 9000000, 5200000, 280000};
    std::string box;
    std::vector<std::string> bodies;
    for (size_t i = 0; i < std::size(sizes); ++i) {
        bodies.push_back("Subject: " + std::to_string(i) + "\n\n" +
                         std::string(sizes[i], static_cast<char>('a' + i)) + "\n");
        box += "From sender@example.jp Mon Dec  7 08:00:00 2026\n" + bodies.back() + "\n";
    }
    const std::string path = Temp("reuse.mbox");
    std::ofstream(path, std::ios::binary) << box;
    StoreHost host;
    std::string error;
    ASSERT_TRUE(host.Messages().AddPath(path, error)) << error;
    HostApi api = BindHostApi(host);
    for (int round = 0; round < 2; ++round) {
        for (size_t i = 0; i < bodies.size(); ++i) {
            char* source = api.GetSource(StoreMessageId(i).c_str());
            ASSERT_NE(source, nullptr);
            EXPECT_TRUE(std::string(source) == bodies[i]) << "message " << i;
            api.Free(source);
        }
    }
}
