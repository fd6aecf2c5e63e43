// One message converted and framed for each save type, with the host's real
// converters behind the simulated host.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "export/framing/MessageFraming.h"
#include "export/mime/MimePart.h"
#include "host/SimulatedHost.h"
#include "mailstore/MboxFraming.h"
#include "mailstore/MboxSplitter.h"
#include "tests/support/EngineInternals.h"

using namespace tessera;

namespace {

class StringFile : public OutputFile {
  public:
    bool Write(const char* data, size_t size) override {
        size_t take = std::min(size, room);
        bytes.append(data, take);
        room -= take;
        return take == size;
    }
    std::string bytes;
    size_t room = static_cast<size_t>(-1);
};

// A writer for `format`, framed as the export frames it.
struct Writer {
    Writer(const HostApi& api, const ExportFormat& format, ExportProgress& progress = Unwatched())
        : framing(FramingFor(format, CalendarTime{2026, 12, 7, 8, 30, 0})),
          writer(api, format, *framing, progress) {}
    // Reads and writes the host's message `index`.
    bool Write(size_t index, OutputFile& out) {
        std::string id = StoreMessageId(index);
        HostMessage message;
        return writer.Read(id.c_str(), message) && writer.Write(id.c_str(), message, out);
    }
    std::unique_ptr<MessageFraming> framing;
    MessageWriter writer;
};

class MessageWriterTest : public ::testing::Test {
  protected:
    void SetUp() override {
        SimulatedHost::Instance().Reset();
        api = MakeSimulatedHostApi();
        format.SaveType = kSaveTypeEml;
    }
    void TearDown() override {
        EXPECT_EQ(SimulatedHost::Instance().Buffers().Live(), 0u);
        EXPECT_EQ(SimulatedHost::Instance().Buffers().BadReleases(), 0u);
    }
    // Writes `source` as the next message of the host; false when reading or writing failed.
    bool Write(const std::string& source) {
        auto& messages = SimulatedHost::Instance().Messages();
        messages.AddText("m", source);
        Writer writer(api, format);
        const bool ok = writer.Write(messages.Count() - 1, out);
        signaturesBroken = writer.writer.SignaturesBroken();
        return ok;
    }
    int signaturesBroken = 0;
    HostApi api;
    ExportFormat format;
    StringFile out;
};

// "日本語" in ISO-2022-JP, as a B encoded word, and in Shift-JIS.
const std::string kJis = "\x1b$BF|K\\8l\x1b(B";
const std::string kWord = "=?ISO-2022-JP?B?GyRCRnxLXDhsGyhC?=";
const std::string kSjis = "\x93\xFA\x96{\x8C\xEA";

TEST_F(MessageWriterTest, SinglePartJapaneseMessageHasHeadersAndBodyConvertedAndRelabelled) {
    ASSERT_TRUE(Write("Subject: " + kWord +
                      "\r\nContent-Type: text/plain; charset=iso-2022-jp\r\n\r\n" + kJis + "\r\n"));
    EXPECT_EQ(out.bytes, "Subject: " + kSjis +
                             "\r\nContent-Type: text/plain; charset=Shift_JIS\r\n"
                             "Content-Transfer-Encoding: 8bit\r\n\r\n" +
                             kSjis + "\r\n\r\n");
}

TEST_F(MessageWriterTest, MultipartDecodesItsOwnHeadersAndThoseOfItsTextParts) {
    ASSERT_TRUE(Write("Subject: " + kWord +
                      "\r\nContent-Type: multipart/mixed; boundary=b\r\n\r\n"
                      "--b\r\nContent-Description: " +
                      kWord + "\r\nContent-Type: text/plain\r\n\r\n" + kJis + "\r\n--b--\r\n"));
    EXPECT_NE(
        out.bytes.find("Subject: " + kSjis + "\r\nContent-Type: multipart/mixed; boundary=b\r\n"),
        std::string::npos)
        << out.bytes;
    EXPECT_NE(out.bytes.find("Content-Description: " + kSjis + "\r\n"), std::string::npos);
    EXPECT_NE(out.bytes.find("charset=Shift_JIS\r\nContent-Transfer-Encoding: 8bit\r\n\r\n" +
                             kSjis + "\r\n--b--"),
              std::string::npos)
        << "sniffed";
}

TEST_F(MessageWriterTest, UsAsciiLabelledPartIsSniffedWhole) {
    std::string body;
    for (int i = 0; i < 10; ++i) body += "line\r\n";
    ASSERT_TRUE(Write("Content-Type: text/plain; charset=us-ascii\r\n\r\n" + body + kJis + "\r\n"));
    EXPECT_NE(out.bytes.find(body + kSjis), std::string::npos);
}

// A source stays only while lines of it are to be written from there: text a
// conversion may rebuild is copied, so that its source goes before it is converted.
TEST_F(MessageWriterTest, TheSourceStaysOnlyForTextLeftAsItCame) {
    const std::string ascii = "Content-Type: text/plain; charset=us-ascii\r\n\r\nplain\r\n";
    const std::pair<std::string, size_t> cases[] = {
        {ascii, 1},
        {ascii + kJis + "\r\n", 0},
        {"Content-Type: text/plain; charset=iso-2022-jp\r\n\r\nplain\r\n", 0},
    };
    auto& messages = SimulatedHost::Instance().Messages();
    Writer writer(api, format);
    for (const auto& [source, live] : cases) {
        messages.AddText("m", source);
        const std::string id = StoreMessageId(messages.Count() - 1);
        HostMessage message;
        ASSERT_TRUE(writer.writer.Read(id.c_str(), message));
        EXPECT_EQ(SimulatedHost::Instance().Buffers().Live(), live) << source;
        ASSERT_TRUE(writer.writer.Write(id.c_str(), message, out));
    }
    EXPECT_NE(out.bytes.find("plain\r\n" + kSjis), std::string::npos);
}

TEST_F(MessageWriterTest, TextFilesAndOtherCharsetsStayAsTheyCame) {
    const std::string file =
        "--b\r\nContent-Type: text/plain; charset=utf-8; name=a.txt\r\n"
        "Content-Transfer-Encoding: base64\r\n\r\n5pel5pys6Kqe\r\n";
    const std::string latin =
        "--b\r\nContent-Type: text/plain; charset=iso-8859-1\r\n\r\n" + kJis + "\r\n";
    const std::string damaged =
        "--b\r\nContent-Type: text/plain; charset=utf-8\r\n"
        "Content-Transfer-Encoding: base64\r\n\r\n5pel5p*s6Kqe\r\n";
    const std::string parts = file + latin + damaged + "--b--\r\n";
    ASSERT_TRUE(Write("Content-Type: multipart/mixed; boundary=b\r\n\r\n" + parts));
    EXPECT_NE(out.bytes.find(parts), std::string::npos) << out.bytes;
}

// Forwarded mail is converted as mail; signed and encrypted content is written
// as it came, except where the format or --no-attach must change it (counted).
TEST_F(MessageWriterTest, ForwardedSignedAndEncryptedMail) {
    const std::string jisText = "Content-Type: text/plain; charset=iso-2022-jp\r\n\r\n" + kJis;
    const std::string signedPart =
        "Content-Type: multipart/signed; boundary=s\r\n\r\n--s\r\n" + jisText +
        "\r\n--s\r\nContent-Type: application/pkcs7-signature\r\n\r\nSIG\r\n--s--\r\n";
    const std::string signedMixed =
        "Content-Type: multipart/signed; boundary=s\r\n\r\n--s\r\n"
        "Content-Type: multipart/mixed; boundary=m\r\n\r\n--m\r\n" +
        jisText + "\r\n--m\r\nContent-Type: image/png\r\n\r\nPNG\r\n--m--\r\n\r\n--s\r\n" +
        "Content-Type: application/pgp-signature\r\n\r\nSIG\r\n--s--\r\n";
    const std::string clearSigned =
        "Content-Type: text/plain; charset=iso-2022-jp\r\n\r\n"
        "-----BEGIN PGP SIGNED MESSAGE-----\r\n\r\n" +
        kJis + "\r\n-----BEGIN PGP SIGNATURE-----\r\n";
    const std::string encrypted =
        "Content-Type: multipart/encrypted; boundary=e\r\n\r\n--e\r\n"
        "Content-Type: application/pgp-encrypted\r\n\r\nVersion: 1\r\n--e\r\n"
        "Content-Type: application/octet-stream\r\n\r\nPGP\r\n--e--\r\n";
    const std::string forwarded =
        "Content-Type: multipart/mixed; boundary=b\r\n\r\n--b\r\n"
        "Content-Type: message/rfc822\r\n\r\nSubject: " +
        kWord + "\r\nContent-Type: multipart/mixed; boundary=i\r\n\r\n--i\r\n" + jisText +
        "\r\n--i\r\nContent-Type: image/png\r\n\r\nPNG\r\n--i--\r\n--b--\r\n";
    const std::string digest =
        "Content-Type: multipart/digest; boundary=d\r\n\r\n--d\r\n\r\n"
        "Subject: " +
        kWord + "\r\n\r\n" + kJis + "\r\n--d--\r\n";
    struct Case {
        const char* name;
        std::string source;
        int saveType;
        bool noAttach;
        std::vector<std::string> present;  // in the output
        std::vector<std::string> absent;
        int broken;
    } cases[] = {
        {"signed, eml: as it came", signedPart, kSaveTypeEml, false, {signedPart}, {}, 0},
        {"signed, separator: converted, counted",
         signedPart,
         kSaveTypeSeparator,
         false,
         {kSjis, "SIG"},
         {kJis},
         1},
        {"signed, no-attach: png goes, signature stays, counted",
         signedMixed,
         kSaveTypeMbox,
         true,
         {jisText, "application/pgp-signature"},
         {"PNG"},
         1},
        {"clear-signed text: as it came", clearSigned, kSaveTypeEml, false, {clearSigned}, {}, 0},
        {"encrypted, no-attach: whole", encrypted, kSaveTypeEml, true, {encrypted}, {}, 0},
        {"forwarded: converted, its own png goes",
         forwarded,
         kSaveTypeEml,
         true,
         {"Content-Type: message/rfc822\r\n\r\nSubject: " + kSjis, "\r\n\r\n" + kSjis + "\r\n"},
         {kJis, "PNG"},
         0},
        {"a file without headers: as it came",
         "\xE6\x97\xA5 text\r\n\r\n\xE6\x97\xA5\r\n",
         kSaveTypeEml,
         false,
         {"\xE6\x97\xA5 text\r\n\r\n\xE6\x97\xA5\r\n"},
         {"Content-"},
         0},
        {"digest member: converted and kept",
         digest,
         kSaveTypeMbox,
         true,
         {"--d\r\n\r\nSubject: " + kSjis, "\r\n\r\n" + kSjis + "\r\n--d--"},
         {kJis},
         0},
    };
    for (const Case& c : cases) {
        out.bytes.clear();
        format.SaveType = c.saveType;
        format.NoAttach = c.noAttach;
        ASSERT_TRUE(Write(c.source)) << c.name;
        for (const std::string& text : c.present)
            EXPECT_NE(out.bytes.find(text), std::string::npos) << c.name << "\n" << out.bytes;
        for (const std::string& text : c.absent)
            EXPECT_EQ(out.bytes.find(text), std::string::npos) << c.name << "\n" << out.bytes;
        EXPECT_EQ(signaturesBroken, c.broken) << c.name;
    }
}

TEST_F(MessageWriterTest, MboxLeavesOutAContentLengthThatNoLongerCounts) {
    format.SaveType = kSaveTypeMbox;
    ASSERT_TRUE(
        Write("From: a@example.jp\r\nContent-Length: 10\r\n"
              "Content-Type: text/plain; charset=iso-2022-jp\r\n\r\n" +
              kJis + "\r\n"));
    EXPECT_EQ(out.bytes.find("Content-Length"), std::string::npos) << out.bytes;
    out.bytes.clear();
    ASSERT_TRUE(Write("From: a@example.jp\r\nContent-Length: 6\r\n\r\nabcd\r\n"));
    EXPECT_NE(out.bytes.find("Content-Length: 6\r\n"), std::string::npos) << "true: kept";
}

TEST_F(MessageWriterTest, CountsConvertedMessagesAndReferences) {
    auto& messages = SimulatedHost::Instance().Messages();
    messages.AddText("a", "Subject: =?UTF-8?B?8J+YgA==?=\r\n\r\nx\r\n");  // an emoji
    messages.AddText("b",
                     "Subject: plain\r\nContent-Type: text/plain; charset=utf-8\r\n\r\n"
                     "\xE6\x97\xA5 \xF0\x9F\x98\x80\r\n");
    messages.AddText("c", "Subject: plain\r\n\r\nascii\r\n");
    Writer writer(api, format);
    for (size_t i = 0; i < 3; ++i) ASSERT_TRUE(writer.Write(i, out));
    EXPECT_EQ(writer.writer.MessagesConverted(), 2);
    EXPECT_EQ(writer.writer.CharacterReferences(), 2u);
    EXPECT_NE(out.bytes.find("Subject: &#128512;\r\n"), std::string::npos);
    EXPECT_NE(out.bytes.find("\x93\xFA &#128512;\r\n"), std::string::npos);
}

TEST_F(MessageWriterTest, EucJpPartIsConvertedThroughTheHost) {
    ASSERT_TRUE(
        Write("Content-Type: text/plain; charset=EUC-JP\r\n\r\n\xC6\xFC\xCB\xDC\xB8\xEC\r\n"));
    EXPECT_NE(out.bytes.find("\r\n\r\n" + kSjis + "\r\n"), std::string::npos);
}

// A "From " line anywhere, header blocks included, would start a message of its
// own for every mbox reader: each is quoted, and reads back as written.
TEST_F(MessageWriterTest, MboxQuotesEveryFromLineSoTheMessageReadsBackWhole) {
    const std::string multipart = "Content-Type: multipart/mixed; boundary=b\r\n\r\n";
    const std::string sources[] = {
        // a sender forging a second message through a header
        "Subject: Invoice\r\nFrom attacker Mon Jan  1 00:00:00 2001\r\nFrom: boss@example.com\r\n"
        "Subject: URGENT wire money\r\n\r\nbody\r\n",
        // a Maildir file that kept its envelope line
        "From taro Tue Mar  5 09:07:03 2002\nFrom: a@example.jp\n\nFrom here on\r\n",
        // a part header, quoted mboxrd-style already, and a folded header
        multipart +
            "From preamble\r\n--b\r\n>From x\r\nfrom y\r\nX-A: 1\r\n\t2\r\n"
            "Content-Type: text/plain; charset=utf-8\r\n\r\n>>From quoted\r\nFromage\r\n"
            "--b--\r\n",
        // text no conversion touches, whose lines stay where they were read
        multipart +
            "--b\nContent-Type: text/plain; charset=iso-8859-1\n\nFrom caf\xE9\n"
            ">From x\nplain\r\n--b--\r\n",
    };
    for (const std::string& source : sources) {
        format.SaveType = kSaveTypeEml;
        out.bytes.clear();
        ASSERT_TRUE(Write(source));
        const std::string eml = out.bytes;
        format.SaveType = kSaveTypeMbox;
        out.bytes.clear();
        ASSERT_TRUE(Write(source));
        std::vector<std::string> read;
        auto publish = [&](uint64_t offset, uint64_t length, MboxSplitter::Marks marks) {
            read.push_back(UnquoteFromLines(out.bytes.substr(offset, length), marks.anyCaseFrom));
        };
        MboxSplitter splitter;
        splitter.Feed(out.bytes.data(), out.bytes.data() + out.bytes.size(), publish);
        splitter.Finish(out.bytes.size(), publish);
        ASSERT_EQ(read.size(), 1u) << out.bytes;
        EXPECT_EQ(read[0] + "\r\n", eml) << out.bytes;  // .eml adds the blank line itself
    }
}

TEST_F(MessageWriterTest, EnvelopeUsesTheExportTimeWhenTheDateCannotBeRead) {
    format.SaveType = kSaveTypeMbox;
    ASSERT_TRUE(Write("From: Some One <>\r\nDate: 31 Feb 2002 10:00:00\r\n\r\nx\r\n"));
    EXPECT_EQ(out.bytes.rfind("From MAILER-DAEMON Mon Dec 07 08:30:00 2026\r\n", 0), 0u)
        << out.bytes;
}

TEST_F(MessageWriterTest, BlankLineOnlyAfterSourcesEndingInCrLf) {
    ASSERT_TRUE(Write("Subject: x\r\n\r\nno final break"));
    EXPECT_EQ(out.bytes, "Subject: x\r\n\r\nno final break\r\n");
}

TEST_F(MessageWriterTest, SeparatorIsWrittenOnlyWhenSet) {
    format.SaveType = kSaveTypeSeparator;
    ASSERT_TRUE(Write("Subject: x\r\n\r\nbody\r\n"));
    EXPECT_EQ(out.bytes, "Subject: x\r\n\r\nbody\r\n\r\n");
    out.bytes.clear();
    format.Separator = "-- cut --";
    ASSERT_TRUE(Write("Subject: x\r\n\r\nbody\r\n"));
    EXPECT_EQ(out.bytes, "Subject: x\r\n\r\nbody\r\n\r\n-- cut --\r\n");
}

TEST_F(MessageWriterTest, NoAttachKeepsTextAndLeavesSinglePartsWhole) {
    format.NoAttach = true;
    ASSERT_TRUE(Write("Content-Type: application/pdf\r\n\r\n%PDF\r\n"));
    EXPECT_NE(out.bytes.find("%PDF"), std::string::npos);
    out.bytes.clear();
    ASSERT_TRUE(Write(
        "Content-Type: multipart/mixed; boundary=b\r\n\r\n--b\r\nContent-Type: text/plain\r\n\r\n"
        "keep\r\n--b\r\nContent-Type: image/png\r\n\r\niVBOR\r\n--b--\r\n"));
    EXPECT_NE(out.bytes.find("keep"), std::string::npos);
    EXPECT_EQ(out.bytes.find("iVBOR"), std::string::npos);
    EXPECT_EQ(out.bytes.find("image/png"), std::string::npos) << "no trace of the removed part";
}

TEST_F(MessageWriterTest, FailuresAreReported) {
    EXPECT_FALSE(Write("")) << "shorter than 3 bytes once written back";
    EXPECT_TRUE(out.bytes.empty());
    SimulatedHost::Instance().Faults().Add("BKA_GetSource:1");  // the next call
    EXPECT_FALSE(Write("Subject: x\r\n\r\nbody\r\n")) << "no source";
    out.room = 10;
    EXPECT_FALSE(Write("Subject: x\r\n\r\nbody\r\n")) << "a short write is a failure";
}

TEST_F(MessageWriterTest, HeaderLinesStayWhenTheHostConvertersGiveNothing) {
    SimulatedHost::Instance().Faults().Add("BKA_ISO_2022_JP:*");
    ASSERT_TRUE(Write("Subject: " + kWord +
                      "\r\nContent-Type: text/plain; charset=iso-2022-jp\r\n\r\n" + kJis + "\r\n"));
    EXPECT_NE(out.bytes.find("Subject: " + kWord + "\r\n"), std::string::npos);
    EXPECT_NE(out.bytes.find(kJis), std::string::npos) << "body left as it was";
    EXPECT_NE(out.bytes.find("charset=iso-2022-jp\r\n\r\n"), std::string::npos) << "label kept";
    out.bytes.clear();
    // Encoded words are the plug-in's own work: the host's header decoder is not asked.
    SimulatedHost::Instance().Faults().Clear();
    SimulatedHost::Instance().Faults().Add("BKA_MIMEHeader:*");
    ASSERT_TRUE(Write("Subject: " + kWord + "\r\n\r\nx\r\n"));
    EXPECT_NE(out.bytes.find("Subject: " + kSjis + "\r\n"), std::string::npos);
}

// A long message keeps its progress alive: every few thousand lines parsed
// and every few dozen lines converted.
TEST_F(MessageWriterTest, ProgressIsTickedThroughoutALongMessage) {
    struct Counter : ExportProgress {
        int ticks = 0;
        void Tick() override { ++ticks; }
    } counter;
    std::string source = "Subject: long\r\nContent-Type: text/plain; charset=iso-2022-jp\r\n\r\n";
    for (int i = 0; i < 20000; ++i) source += kJis + "\r\n";
    SimulatedHost::Instance().Messages().AddText("m", source);
    Writer writer(api, format, counter);
    const std::string id = StoreMessageId(0);
    HostMessage message;
    ASSERT_TRUE(writer.writer.Read(id.c_str(), message));
    const int whileParsing = counter.ticks;
    EXPECT_GE(whileParsing, 20000 / 4096) << "while parsing";
    ASSERT_TRUE(writer.writer.Write(id.c_str(), message, out));
    EXPECT_GE(counter.ticks - whileParsing, 20000 / 64) << "while converting";
}

}  // namespace
