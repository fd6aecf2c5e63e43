// Runs the built tessera-export on inputs in a temporary folder and checks the
// files it writes, its messages and its exit status.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <vector>

#include "resources/Version.h"

namespace {

namespace fs = std::filesystem;

const std::string kBinary = std::string(TESSERA_BINARY_DIR) + "/tessera-export";

// ISO-2022-JP "日本語" and its Shift-JIS bytes.
const std::string kJisText = "\x1b$BF|K\\8l\x1b(B";
const std::string kSjisText = "\x93\xFA\x96\x7B\x8C\xEA";
// UTF-8 of the message texts 500 and 502 as a UTF-8 terminal shows them.
const std::string kUtf8WriteError =
    "\xE4\xBF\x9D\xE5\xAD\x98\xE9\x80\x94\xE4\xB8\xAD\xE3\x81\xA7\xE3\x82\xA8\xE3\x83\xA9\xE3\x83\xBC"
    "\xE3\x81\x8C\xE7\x99\xBA\xE7\x94\x9F\xE3\x81\x97\xE3\x81\xBE\xE3\x81\x97\xE3\x81\x9F";
const std::string kUtf8NoSavePath =
    "\xE4\xBF\x9D\xE5\xAD\x98\xE5\x85\x88\xE3\x81\x8C\xE6\x8C\x87\xE5\xAE\x9A\xE3\x81\x95\xE3\x82\x8C"
    "\xE3\x81\xA6\xE3\x81\x84\xE3\x81\xBE\xE3\x81\x9B\xE3\x82\x93";

std::string Hex(const std::string& bytes) {
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : bytes) {
        out += digits[c >> 4];
        out += digits[c & 15];
        out += ' ';
    }
    return out;
}

// A message with an ISO-2022-JP Subject and body; `extra` lines go into the body.
std::string JisMessage(const std::string& from, const std::string& extra = "") {
    return "From: " + from + "\r\n"
           "Subject: =?ISO-2022-JP?B?GyRCRnxLXDhsGyhC?=\r\n"
           "Date: Tue, 5 Mar 2002 09:07:03 +0900\r\n"
           "Content-Type: text/plain; charset=ISO-2022-JP\r\n"
           "\r\n" + kJisText + "\r\n" + extra;
}

// What the exporter makes of JisMessage (no extra lines) without the envelope.
std::string SjisMessage(const std::string& from) {
    return "From: " + from + "\r\n"
           "Subject: " + kSjisText + "\r\n"
           "Date: Tue, 5 Mar 2002 09:07:03 +0900\r\n"
           "Content-Type: text/plain; charset=ISO-2022-JP\r\n"
           "\r\n" + kSjisText + "\r\n";
}

std::string Envelope(const std::string& address) {
    return "From " + address + " Tue Mar 05 09:07:03 2002\r\n";
}

struct RunResult {
    int status = -1;
    std::string out;
    std::string err;
};

class CliTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!fs::exists(kBinary)) GTEST_SKIP() << kBinary << " was not built";
        char pattern[] = "/tmp/tessera-cli-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir_ = pattern;
    }
    void TearDown() override {
        std::error_code ec;
        if (!dir_.empty()) fs::remove_all(dir_, ec);
    }

    std::string Path(const std::string& name) const { return dir_ + "/" + name; }

    std::string Write(const std::string& name, const std::string& bytes) const {
        std::string path = Path(name);
        fs::create_directories(fs::path(path).parent_path());
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }

    static std::string Read(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }

    // Runs the exporter with a UTF-8 locale; stdin from `input` (default /dev/null).
    RunResult Run(const std::string& args, const std::string& input = "/dev/null") const {
        std::string command = "cd '" + dir_ + "' && LC_ALL=C.UTF-8 '" + kBinary + "' " + args + " <'" +
                              input + "' >'" + Path("stdout") + "' 2>'" + Path("stderr") + "'";
        RunResult result;
        int raw = std::system(command.c_str());
        result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        result.out = Read(Path("stdout"));
        result.err = Read(Path("stderr"));
        return result;
    }

    std::string dir_;
};

TEST_F(CliTest, ExitStatusAndUsage) {
    struct Case {
        std::string args;
        int status;
        std::string inStdout;
        std::string inStderr;
    } cases[] = {
        {"--version", 0, "tessera-export " TESSERA_VERSION "\n", ""},
        {"--help", 0, "usage: tessera-export", ""},
        {"", 2, "", "no input given"},
        {"--format bogus --output x a.eml", 2, "", "unknown format 'bogus'"},
        {"--format mbox a.eml", 2, "", "--format needs --output"},
        {"--frobnicate a.eml", 2, "", "unknown option '--frobnicate'"},
        {"--separator X a.eml", 2, "", "--separator"},
        {"--format mbox --separator X --output o a.eml", 2, "", "--separator needs --format separator"},
        {"--format mbox --output", 2, "", "--output needs a value"},
        {"--if-exists maybe --format mbox --output o a.eml", 2, "", "unknown --if-exists"},
        {"--settings missing.ini --output o a.eml", 2, "", "missing.ini"},
    };
    Write("a.eml", JisMessage("a@example.jp"));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args);
        RunResult r = Run(c.args);
        EXPECT_EQ(r.status, c.status) << r.err;
        EXPECT_NE(r.out.find(c.inStdout), std::string::npos) << r.out;
        EXPECT_NE(r.err.find(c.inStderr), std::string::npos) << r.err;
    }
}

TEST_F(CliTest, SingleFileFormats) {
    std::string message = SjisMessage("Taro <taro@example.jp>");
    struct Case {
        std::string args;
        std::string expected;
    } cases[] = {
        {"--format mbox", Envelope("taro@example.jp") + message + "\r\n"},
        {"--format separator --separator '----8<----'", message + "\r\n----8<----\r\n"},
        {"--format separator", message + "\r\n"},
    };
    Write("a.eml", JisMessage("Taro <taro@example.jp>"));
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args);
        std::string out = Path("out" + std::to_string(++n) + ".txt");
        RunResult r = Run(c.args + " --output '" + out + "' a.eml");
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(Hex(Read(out)), Hex(c.expected));
    }
}

TEST_F(CliTest, EmlFilesNamedAfterSubjectInShiftJis) {
    Write("a.eml", JisMessage("a@example.jp"));
    Write("b.eml", "From: b@example.jp\r\nSubject: a/b?\r\n\r\nbody\r\n");
    for (const char* folder : {"eml1", "eml2/"}) {
        SCOPED_TRACE(folder);
        fs::create_directories(Path(folder));
        RunResult r = Run(std::string("--format eml --output ") + folder + " a.eml b.eml a.eml");
        EXPECT_EQ(r.status, 0) << r.err;
        std::vector<std::string> names;
        for (const auto& item : fs::directory_iterator(Path(folder))) {
            names.push_back(Hex(item.path().filename().string()));
        }
        std::sort(names.begin(), names.end());
        std::vector<std::string> expected = {Hex(kSjisText + " (2).eml"), Hex(kSjisText + ".eml"),
                                             Hex("a=b=.eml")};
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(names, expected);
        EXPECT_EQ(Hex(Read(Path(folder) + "/" + kSjisText + ".eml")),
                  Hex(SjisMessage("a@example.jp") + "\r\n"));
    }
}

TEST_F(CliTest, NoAttachLeavesAttachmentOut) {
    std::string message =
        "From: a@example.jp\r\nSubject: att\r\nMIME-Version: 1.0\r\n"
        "Content-Type: multipart/mixed; boundary=\"XX\"\r\n\r\n"
        "--XX\r\nContent-Type: text/plain\r\n\r\nhello\r\n"
        "--XX\r\nContent-Type: application/octet-stream; name=\"a.bin\"\r\n"
        "Content-Transfer-Encoding: base64\r\n\r\nQVRUQUNITUVOVA==\r\n--XX--\r\n";
    Write("m.eml", message);
    RunResult keep = Run("--format mbox --output keep.txt m.eml");
    RunResult drop = Run("--format mbox --no-attach --output drop.txt m.eml");
    EXPECT_EQ(keep.status, 0) << keep.err;
    EXPECT_EQ(drop.status, 0) << drop.err;
    EXPECT_NE(Read(Path("keep.txt")).find("QVRUQUNITUVOVA=="), std::string::npos);
    EXPECT_EQ(Read(Path("drop.txt")).find("QVRUQUNITUVOVA=="), std::string::npos);
    EXPECT_NE(Read(Path("drop.txt")).find("hello"), std::string::npos);
}

TEST_F(CliTest, ExistingTargetFile) {
    const std::string old = "OLD CONTENT\r\n";
    const std::string fresh = Envelope("a@example.jp") + SjisMessage("a@example.jp") + "\r\n";
    struct Case {
        std::string option;
        int status;
        std::string expected;
        std::string inStderr;
    } cases[] = {
        {"--if-exists overwrite", 0, fresh, ""},
        {"--if-exists append", 0, old + fresh, ""},
        {"--if-exists cancel", 1, old, "exists; not written"},
        {"", 1, old, "exists; not written"},  // standard input is not a terminal
    };
    Write("a.eml", JisMessage("a@example.jp"));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.option);
        std::string target = Write("target.txt", old);
        RunResult r = Run("--format mbox " + c.option + " --output target.txt a.eml");
        EXPECT_EQ(r.status, c.status) << r.err;
        EXPECT_EQ(Hex(Read(target)), Hex(c.expected));
        EXPECT_NE(r.err.find(c.inStderr), std::string::npos) << r.err;
    }
}

TEST_F(CliTest, StandardInput) {
    std::string in = Write("in.eml", JisMessage("a@example.jp"));
    Write("empty", "");
    RunResult r = Run("--format mbox --output out.txt -", in);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Hex(Read(Path("out.txt"))), Hex(Envelope("a@example.jp") + SjisMessage("a@example.jp") + "\r\n"));
    RunResult empty = Run("--format mbox --output out2.txt -", Path("empty"));
    EXPECT_EQ(empty.status, 1);
    EXPECT_NE(empty.err.find("-: empty standard input"), std::string::npos) << empty.err;
}

TEST_F(CliTest, BadInputsAreNamedAndTheOthersExported) {
    Write("a.eml", JisMessage("a@example.jp"));
    Write("b.eml", JisMessage("b@example.jp"));
    Write("zero.eml", "");
    RunResult r = Run("--format mbox --output out.txt a.eml missing.eml zero.eml b.eml");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("missing.eml: no such file"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("zero.eml: empty file"), std::string::npos) << r.err;
    std::string expected = Envelope("a@example.jp") + SjisMessage("a@example.jp") + "\r\n" +
                           Envelope("b@example.jp") + SjisMessage("b@example.jp") + "\r\n";
    EXPECT_EQ(Hex(Read(Path("out.txt"))), Hex(expected));
}

TEST_F(CliTest, MaildirWithJunkAndEmptyFile) {
    Write("md/cur/1.host:2,S", JisMessage("one@example.jp"));
    Write("md/new/2.host", JisMessage("two@example.jp"));
    Write("md/new/.hidden", "not a message");
    Write("md/new/3.host", "");
    fs::create_directories(Path("md/tmp"));
    Write("md/tmp/4.host", JisMessage("half-delivered@example.jp"));
    RunResult r = Run("--format mbox --output out.txt md");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("3.host: empty file"), std::string::npos) << r.err;
    std::string expected = Envelope("one@example.jp") + SjisMessage("one@example.jp") + "\r\n" +
                           Envelope("two@example.jp") + SjisMessage("two@example.jp") + "\r\n";
    EXPECT_EQ(Hex(Read(Path("out.txt"))), Hex(expected));
    fs::create_directories(Path("plain"));
    RunResult plain = Run("--format mbox --output out3.txt plain a.eml");
    EXPECT_EQ(plain.status, 1);
    EXPECT_NE(plain.err.find("not a Maildir"), std::string::npos) << plain.err;
}

TEST_F(CliTest, MboxrdUnquotedOnReadAndQuotedOnWrite) {
    std::string body = "From here\r\n>From there\r\n";
    Write("box", "From a@example.jp Tue Mar  5 09:07:03 2002\r\n" + JisMessage("a@example.jp", ">From here\r\n>>From there\r\n") +
                     "\r\nFrom b@example.jp Tue Mar  5 09:07:03 2002\r\n" + JisMessage("b@example.jp"));
    fs::create_directories(Path("eml"));
    RunResult eml = Run("--format eml --output eml box");
    EXPECT_EQ(eml.status, 0) << eml.err;
    // Both messages have the same Subject: the first is the plain name.
    EXPECT_EQ(Hex(Read(Path("eml/" + kSjisText + ".eml"))),
              Hex(SjisMessage("a@example.jp") + body + "\r\n\r\n"));
    RunResult mbox = Run("--format mbox --output out.txt box");
    EXPECT_EQ(mbox.status, 0) << mbox.err;
    std::string out = Read(Path("out.txt"));
    EXPECT_NE(out.find("\r\n>From here\r\n>>From there\r\n"), std::string::npos) << out;
    EXPECT_NE(out.find(Envelope("b@example.jp")), std::string::npos) << out;
}

TEST_F(CliTest, MboxWithoutFromLineIsOneMessage) {
    Write("nofrom", JisMessage("a@example.jp") + "\r\nFrom b@example.jp Tue Mar  5 09:07:03 2002\r\nX\r\n");
    RunResult r = Run("--format mbox --output out.txt nofrom");
    EXPECT_EQ(r.status, 0) << r.err;
    std::string out = Read(Path("out.txt"));
    EXPECT_EQ(out.rfind("From a@example.jp ", 0), 0u);
    EXPECT_NE(out.find("\r\n>From b@example.jp"), std::string::npos) << out;
    EXPECT_EQ(out.find(Envelope("b@example.jp")), std::string::npos) << out;
}

TEST_F(CliTest, StoredFormatFromSettings) {
    Write("a.eml", JisMessage("a@example.jp"));
    Write("sep.ini", "[SETTING]\r\nSaveType=105\r\nSeparator=====\r\n");
    Write("eml.ini", "[SETTING]\r\nSaveType=104\r\n");
    Write("bad.ini", "[SETTING]\r\nSaveType=7\r\n");
    fs::create_directories(Path("out"));
    RunResult sep = Run("--settings sep.ini --output out a.eml");
    EXPECT_EQ(sep.status, 0) << sep.err;
    EXPECT_EQ(Hex(Read(Path("out/" + kSjisText + ".txt"))),
              Hex(SjisMessage("a@example.jp") + "\r\n====\r\n"));
    RunResult eml = Run("--settings eml.ini --output out/ a.eml");
    EXPECT_EQ(eml.status, 0) << eml.err;
    EXPECT_EQ(Hex(Read(Path("out/" + kSjisText + ".eml"))), Hex(SjisMessage("a@example.jp") + "\r\n"));
    RunResult bad = Run("--settings bad.ini --output out a.eml");
    EXPECT_EQ(bad.status, 1);
    EXPECT_NE(bad.err.find("SaveType 7"), std::string::npos) << bad.err;
    // The plug-in's defaults have no SavePath: message 502, in UTF-8.
    RunResult none = Run("a.eml");
    EXPECT_EQ(none.status, 1);
    EXPECT_NE(none.err.find(kUtf8NoSavePath), std::string::npos) << Hex(none.err);
}

TEST_F(CliTest, WriteFailureReportsMessage500) {
    if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    Write("a.eml", JisMessage("a@example.jp"));
    // Through a link of our own: a faulty overwrite removes the link, never the device.
    fs::create_symlink("/dev/full", Path("full"));
    RunResult r = Run("--format mbox --if-exists append --output full a.eml");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find(kUtf8WriteError), std::string::npos) << Hex(r.err);
    EXPECT_NE(r.err.find("full: No space left on device"), std::string::npos) << r.err;
    RunResult folder = Run("--format mbox --if-exists overwrite --output nodir/x.txt a.eml");
    EXPECT_EQ(folder.status, 1);
    EXPECT_NE(folder.err.find(kUtf8WriteError), std::string::npos) << Hex(folder.err);
}

}  // namespace
