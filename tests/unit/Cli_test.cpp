// Runs the built tessera-export on inputs in a temporary folder and checks the
// files it writes, its messages and its exit status.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "resources/Version.h"
#include "tests/support/HexBytes.h"

namespace {

namespace fs = std::filesystem;

const std::string kBinary = std::string(TESSERA_BINARY_DIR) + "/tessera-export";

// ISO-2022-JP "日本語" and its Shift-JIS bytes.
const std::string kJisText = "\x1b$BF|K\\8l\x1b(B";
const std::string kSjisText = "\x93\xFA\x96\x7B\x8C\xEA";
// The same as a UTF-8 file name.
const std::string kUtf8Text = "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E";
// UTF-8 of the message texts 500 and 502 as a UTF-8 terminal shows them.
const std::string kUtf8WriteError =
    "\xE4\xBF\x9D\xE5\xAD\x98\xE9\x80\x94\xE4\xB8\xAD\xE3\x81\xA7\xE3\x82\xA8\xE3\x83\xA9\xE3\x83"
    "\xBC"
    "\xE3\x81\x8C\xE7\x99\xBA\xE7\x94\x9F\xE3\x81\x97\xE3\x81\xBE\xE3\x81\x97\xE3\x81\x9F";
const std::string kUtf8NoSavePath =
    "\xE4\xBF\x9D\xE5\xAD\x98\xE5\x85\x88\xE3\x81\x8C\xE6\x8C\x87\xE5\xAE\x9A\xE3\x81\x95\xE3\x82"
    "\x8C"
    "\xE3\x81\xA6\xE3\x81\x84\xE3\x81\xBE\xE3\x81\x9B\xE3\x82\x93";

using tessera::testing::Hex;

// A message with an ISO-2022-JP Subject and body; `extra` lines go into the body.
std::string JisMessage(const std::string& from, const std::string& extra = "") {
    return "From: " + from +
           "\r\n"
           "Subject: =?ISO-2022-JP?B?GyRCRnxLXDhsGyhC?=\r\n"
           "Date: Tue, 5 Mar 2002 09:07:03 +0900\r\n"
           "Content-Type: text/plain; charset=ISO-2022-JP\r\n"
           "\r\n" +
           kJisText + "\r\n" + extra;
}

// What the exporter makes of JisMessage (no extra lines) without the envelope.
std::string SjisMessage(const std::string& from) {
    return "From: " + from +
           "\r\n"
           "Subject: " +
           kSjisText +
           "\r\n"
           "Date: Tue, 5 Mar 2002 09:07:03 +0900\r\n"
           "Content-Type: text/plain; charset=Shift_JIS\r\n"
           "Content-Transfer-Encoding: 8bit\r\n"
           "\r\n" +
           kSjisText + "\r\n";
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

    // Runs the exporter (UTF-8 locale by default); stdin from `input`.
    // `launcher` goes in front of the binary (a shell command prefix).
    RunResult Run(const std::string& args, const std::string& input = "/dev/null",
                  const std::string& locale = "C.UTF-8", const std::string& launcher = "",
                  const std::string& binary = kBinary) const {
        std::string command = "cd '" + dir_ + "' && export LC_ALL=" + locale + " && " + launcher +
                              " '" + binary + "' " + args + " <'" + input + "' >'" +
                              Path("stdout") + "' 2>'" + Path("stderr") + "'";
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
        {"-V", 0, "tessera-export " TESSERA_VERSION "\n", ""},
        {"--help", 0, "usage: tessera-export", ""},
        {"-h", 0, "usage: tessera-export", ""},
        {"--format bogus --output x a.eml", 2, "", "unknown format 'bogus'"},
        {"-fbogus -o x a.eml", 2, "", "unknown format 'bogus'"},
        {"--format eml a.eml", 2, "", "--format needs --output"},
        {"-f eml -o - a.eml", 2, "", "--output - (standard output) needs --format mbox"},
        {"-f eml --if-exists append -o o a.eml", 2, "", "append does not apply to .eml"},
        {"-f mbox -o . a.eml", 2, "", ".: a folder; --format mbox writes one file"},
        {"-nx a.eml", 2, "", "unknown option '-nx'"},
        {"-f", 2, "", "--format needs a value"},
        {"--frobnicate a.eml", 2, "", "unknown option '--frobnicate'"},
        {"--separator X a.eml", 2, "", "--separator"},
        {"--format mbox --separator X --output o a.eml", 2, "",
         "--separator needs --format separator"},
        {"--format mbox --output", 2, "", "--output needs a value"},
        {"--if-exists maybe --format mbox --output o a.eml", 2, "", "unknown --if-exists"},
        {"--names utf16 --format eml --output o a.eml", 2, "", "unknown --names value"},
        {"--settings missing.ini --output o a.eml", 2, "", "missing.ini"},
        {"--format mbox --index --output o a.eml", 2, "", "need --format eml"},
        {"--format eml --output o --name-pattern", 2, "", "--name-pattern needs a value"},
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

TEST_F(CliTest, EmlFilesNamedAfterSubject) {
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
        std::vector<std::string> expected = {Hex(kUtf8Text + " (2).eml"), Hex(kUtf8Text + ".eml"),
                                             Hex("a=b=.eml")};
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(names, expected);
        EXPECT_EQ(Hex(Read(Path(folder) + "/" + kUtf8Text + ".eml")),
                  Hex(SjisMessage("a@example.jp") + "\r\n"));
    }
}

std::string Repeat(const std::string& text, int times) {
    std::string out;
    while (times-- > 0) out += text;
    return out;
}

// Names in the locale's character set (UTF-8 also in the C locale), cut to 255
// bytes as written; --names sjis keeps the plug-in's bytes. To UTF-8 they keep
// the characters Shift-JIS lacks.
TEST_F(CliTest, NamesFollowTheLocale) {
    const std::string longSjis = Repeat("\x93\xFA", 120);  // 240 bytes, 360 in UTF-8
    const std::string longUtf8 = Repeat("\xE6\x97\xA5", 83);
    struct Case {
        std::string locale;
        std::string option;
        std::vector<std::string> names;
    } cases[] = {
        {"C.UTF-8", "", {kUtf8Text + ".eml", longUtf8 + ".eml", "__ a=b.eml"}},
        {"C", "", {kUtf8Text + ".eml", longUtf8 + ".eml", "__ a=b.eml"}},
        {"C.UTF-8", "--names sjis", {kSjisText + ".eml", longSjis + ".eml", "__ a=b.eml"}},
        {"C", "--to utf-8", {kUtf8Text + ".eml", longUtf8 + ".eml", "😀𠮷 a=b.eml"}},
        {"C", "--to utf-8 --names sjis", {kSjisText + ".eml", longSjis + ".eml", "__ a=b.eml"}},
    };
    Write("a.eml", JisMessage("a@example.jp"));
    Write("long.eml", "From: b@example.jp\r\nSubject: " + longSjis + "\r\n\r\nbody\r\n");
    // "😀𠮷 a/b"
    Write("beyond.eml",
          "From: c@example.jp\r\nSubject: =?UTF-8?B?8J+YgPCgrrcgYS9i?=\r\n\r\nbody\r\n");
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.locale + " " + c.option);
        std::string folder = "names" + std::to_string(++n);
        fs::create_directories(Path(folder));
        RunResult r =
            Run("--format eml " + c.option + " --output " + folder + " a.eml long.eml beyond.eml",
                "/dev/null", c.locale);
        EXPECT_EQ(r.status, 0) << r.err;
        std::vector<std::string> names, expected;
        for (const auto& item : fs::directory_iterator(Path(folder))) {
            names.push_back(Hex(item.path().filename().string()));
        }
        for (const std::string& name : c.names) expected.push_back(Hex(name));
        std::sort(names.begin(), names.end());
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(names, expected);
    }
    // A Shift-JIS name is still shown in the locale's character set.
    fs::create_directories(Path("taken/" + kSjisText + ".eml"));
    RunResult r = Run("--names sjis --format eml --output taken a.eml");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("taken/" + kUtf8Text + ".eml: Is a directory"), std::string::npos)
        << Hex(r.err);
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
        // The old file does not end in a blank line: the envelope gets one before it.
        {"--if-exists append", 0, old + "\r\n" + fresh, ""},
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

// Standard input is one message or, when it starts with an envelope line, an
// mbox read as a file is; standard output is "-" or, not being a terminal, the
// default of the single-file formats.
TEST_F(CliTest, StandardInputAndOutput) {
    const std::string one = Envelope("a@example.jp") + SjisMessage("a@example.jp") + "\r\n";
    const std::string two =
        one + Envelope("b@example.jp") + SjisMessage("b@example.jp") + ">From quoted\r\n\r\n";
    const std::string box = "From a@example.jp Tue Mar  5 09:07:03 2002\n" +
                            JisMessage("a@example.jp") +
                            "\nFrom b@example.jp Tue Mar  5 09:07:03 2002\n" +
                            JisMessage("b@example.jp", ">From quoted\r\n");
    struct Case {
        std::string args;
        std::string input;
        std::string expected;  // in out.txt, or on standard output with no --output file
    } cases[] = {
        {"-f mbox --if-exists overwrite -o out.txt -", JisMessage("a@example.jp"), one},
        {"-f mbox --if-exists overwrite -o out.txt -",
         "From MAILER-DAEMON Fri Jul  8 12:08:34 2011\n" + JisMessage("a@example.jp"), one},
        {"-f mbox --if-exists overwrite -o out.txt -", box, two},
        {"-f mbox --if-exists overwrite -o out.txt", box, two},
        {"-f mbox -o -", box, two},
        {"-q -f mbox", box, two},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args + " < " + c.input.substr(0, 20));
        RunResult r = Run(c.args, Write("in", c.input));
        EXPECT_EQ(r.status, 0) << r.err;
        const bool toFile = c.args.find("out.txt") != std::string::npos;
        EXPECT_EQ(Hex(toFile ? Read(Path("out.txt")) : r.out), Hex(c.expected));
    }
    Write("empty", "");
    RunResult empty = Run("--format mbox --output out2.txt -", Path("empty"));
    EXPECT_EQ(empty.status, 1);
    EXPECT_NE(empty.err.find("-: empty standard input"), std::string::npos) << empty.err;
}

// A pipe with no reader on standard output fails the write (no SIGPIPE death):
// told with the path "-" and its reason, exit status 1.
TEST_F(CliTest, ClosedPipeIsAWriteError) {
    std::string input = Write("a.eml", JisMessage("a@example.jp"));
    int out[2];
    ASSERT_EQ(pipe(out), 0);
    close(out[0]);  // no reader, before the exporter starts
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        int err = open(Path("stderr").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        dup2(out[1], 1);
        dup2(err, 2);
        execl(kBinary.c_str(), kBinary.c_str(), "-f", "mbox", "-o", "-", input.c_str(), nullptr);
        _exit(127);
    }
    close(out[1]);
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_NE(Read(Path("stderr")).find("-: Broken pipe"), std::string::npos)
        << Read(Path("stderr"));
}

// A signal while standard input is still read stops the run after its first
// message: a replacement is dropped, the old file stays, status 128 + signal.
TEST_F(CliTest, InterruptLeavesTheTargetAndTells) {
    // More than a pipe holds: once it is all written, the exporter is reading it,
    // so its handlers are in place before the signal comes.
    Write("box", "From a Tue Mar  5 09:07:03 2002\n" +
                     JisMessage("a@example.jp", std::string(256 << 10, 'x') + "\r\n") +
                     "\nFrom b Tue Mar  5 09:07:03 2002\n" + JisMessage("b@example.jp"));
    Write("target.mbox", "OLD\n");
    mkfifo(Path("fifo").c_str(), 0600);
    for (const char* signal : {"INT", "TERM"}) {
        SCOPED_TRACE(signal);
        // The signal is sent before standard input ends, so no message is begun:
        // deterministic, however slow.
        // Job control on, so that the background job does not ignore SIGINT.
        Write("run.sh", "set -m; LC_ALL=C.UTF-8 '" + kBinary +
                            "' -f mbox --if-exists overwrite -o target.mbox - <fifo 2>stderr &\n"
                            "pid=$!; { cat box; kill -" +
                            signal + " $pid; } >fifo; wait $pid\n");
        int raw = std::system(("cd '" + dir_ + "' && bash run.sh").c_str());
        EXPECT_EQ(WEXITSTATUS(raw), std::string(signal) == "INT" ? 130 : 143);
        EXPECT_TRUE(Read(Path("target.mbox")) == "OLD\n");
        EXPECT_NE(Read(Path("stderr"))
                      .find("interrupted after 0 of 2 messages; none written, the target left"),
                  std::string::npos)
            << Read(Path("stderr"));
    }
}

// .eml files: replaced by default, kept and told with --if-exists cancel.
TEST_F(CliTest, ExistingEmlFiles) {
    Write("a.eml", JisMessage("a@example.jp"));
    struct Case {
        std::string option;
        int status;
        bool kept;
    } cases[] = {
        {"", 0, false}, {"--if-exists overwrite", 0, false}, {"--if-exists cancel", 1, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.option);
        std::string old = Write("out/" + kUtf8Text + ".eml", "OLD\r\n");
        RunResult r = Run("-f eml -o out " + c.option + " a.eml");
        EXPECT_EQ(r.status, c.status) << r.err;
        EXPECT_EQ(Read(old) == "OLD\r\n", c.kept);
        EXPECT_EQ(r.err.find("exists; kept") != std::string::npos, c.kept) << r.err;
        EXPECT_EQ(r.err.find(kUtf8WriteError), std::string::npos) << r.err;
    }
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
    EXPECT_NE(plain.err.find("plain: no messages (neither a Maildir folder nor a folder of .eml"),
              std::string::npos)
        << plain.err;
}

// A folder of .eml files and sub-folders: in name order, a sub-folder where its
// name falls, other and hidden files left out.
TEST_F(CliTest, FolderOfEmlFiles) {
    Write("f/b/1.eml", JisMessage("b1@example.jp"));
    Write("f/a.EML", JisMessage("a@example.jp"));
    Write("f/c.eml", JisMessage("c@example.jp"));
    Write("f/.d.eml", JisMessage("hidden@example.jp"));
    Write("f/notes.txt", "not mail");
    RunResult r = Run("-f mbox -o out.txt f");
    EXPECT_EQ(r.status, 0) << r.err;
    std::string expected;
    for (const char* from : {"a@example.jp", "b1@example.jp", "c@example.jp"}) {
        expected += Envelope(from) + SjisMessage(from) + "\r\n";
    }
    EXPECT_EQ(Hex(Read(Path("out.txt"))), Hex(expected));
}

TEST_F(CliTest, MboxrdUnquotedOnReadAndQuotedOnWrite) {
    std::string body = "From here\r\n>From there\r\n";
    Write("box", "From a@example.jp Tue Mar  5 09:07:03 2002\r\n" +
                     JisMessage("a@example.jp", ">From here\r\n>>From there\r\n") +
                     "\r\nFrom b@example.jp Tue Mar  5 09:07:03 2002\r\n" +
                     JisMessage("b@example.jp"));
    fs::create_directories(Path("eml"));
    RunResult eml = Run("--format eml --output eml box");
    EXPECT_EQ(eml.status, 0) << eml.err;
    // Both messages have the same Subject: the first is the plain name.
    EXPECT_EQ(Hex(Read(Path("eml/" + kUtf8Text + ".eml"))),
              Hex(SjisMessage("a@example.jp") + body + "\r\n"));
    RunResult mbox = Run("--format mbox --output out.txt box");
    EXPECT_EQ(mbox.status, 0) << mbox.err;
    std::string out = Read(Path("out.txt"));
    EXPECT_NE(out.find("\r\n>From here\r\n>>From there\r\n"), std::string::npos) << out;
    EXPECT_NE(out.find(Envelope("b@example.jp")), std::string::npos) << out;
}

TEST_F(CliTest, MboxWithoutFromLineIsOneMessage) {
    Write("nofrom",
          JisMessage("a@example.jp") + "\r\nFrom b@example.jp Tue Mar  5 09:07:03 2002\r\nX\r\n");
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
    EXPECT_EQ(Hex(Read(Path("out/" + kUtf8Text + ".txt"))),
              Hex(SjisMessage("a@example.jp") + "\r\n====\r\n"));
    // To UTF-8, the INI file's Shift-JIS separator is written in UTF-8 too.
    Write("jsep.ini", "[SETTING]\r\nSaveType=105\r\nSeparator=" + kSjisText + "\r\n");
    sep = Run("--settings jsep.ini --to utf-8 --output out a.eml");
    EXPECT_EQ(sep.status, 0) << sep.err;
    const std::string utf8Out = Read(Path("out/" + kUtf8Text + ".txt"));
    EXPECT_NE(utf8Out.find("\r\n" + kUtf8Text + "\r\n", utf8Out.size() - 20), std::string::npos)
        << Hex(utf8Out);
    RunResult eml = Run("--settings eml.ini --output out/ a.eml");
    EXPECT_EQ(eml.status, 0) << eml.err;
    EXPECT_EQ(Hex(Read(Path("out/" + kUtf8Text + ".eml"))),
              Hex(SjisMessage("a@example.jp") + "\r\n"));
    RunResult bad = Run("--settings bad.ini --output out a.eml");
    EXPECT_EQ(bad.status, 1);
    EXPECT_NE(bad.err.find("SaveType 7"), std::string::npos) << bad.err;
    // The plug-in's defaults have no SavePath: message 502 (OneLanguagePerLocale).
    RunResult none = Run("a.eml");
    EXPECT_EQ(none.status, 1);
    EXPECT_NE(none.err.find("No folder to save in is set"), std::string::npos) << none.err;
}

TEST_F(CliTest, WriteFailureReportsMessage500) {
    Write("a.eml", JisMessage("a@example.jp"));
    // A device node of our own that fails every write as a full disk does.
    if (mknod(Path("full").c_str(), S_IFCHR | 0666, makedev(1, 7)) != 0) {
        GTEST_SKIP() << "cannot make a device node here";
    }
    RunResult r = Run("--format mbox --if-exists append --output full a.eml");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("An error occurred while saving (message 1: writing failed) (full: No "
                         "space left on device)"),
              std::string::npos)
        << r.err;
    // Overwriting a device writes to it; it is never removed for a file.
    RunResult device = Run("--format mbox --if-exists overwrite --output full a.eml");
    EXPECT_EQ(device.status, 1);
    struct stat info;
    EXPECT_TRUE(lstat(Path("full").c_str(), &info) == 0 && S_ISCHR(info.st_mode));
    RunResult folder = Run("--format mbox --if-exists overwrite --output nodir/x.txt a.eml");
    EXPECT_EQ(folder.status, 1);
    EXPECT_NE(folder.err.find("An error occurred while saving"), std::string::npos) << folder.err;
}

// Help and messages in Japanese under a Japanese locale (the plug-in's own texts
// for its messages, the system's reasons too), in English otherwise; one
// language on every line.
TEST_F(CliTest, OneLanguagePerLocale) {
    const std::string ja = "ja_JP.UTF-8";
    if (!std::setlocale(LC_ALL, ja.c_str())) GTEST_SKIP() << ja << " is not installed";
    std::setlocale(LC_ALL, "C");
    Write("a.eml", JisMessage("a@example.jp"));
    struct Case {
        std::string locale;
        std::string args;
        std::string expected;  // on standard output, else standard error
    } cases[] = {
        {ja, "--help", "\xE4\xBD\xBF\xE3\x81\x84\xE6\x96\xB9: tessera-export"},  // 使い方
        {ja, "a.eml", kUtf8NoSavePath},
        {ja, "-f mbox -o nodir/x.txt a.eml", kUtf8WriteError + " (nodir/x.txt: "},
        {ja, "-f bogus -o x a.eml", "'bogus'"},
        {"C.UTF-8", "--help", "usage: tessera-export"},
        {"C", "a.eml", "No folder to save in is set"},
        {"C", "-f mbox -o nodir/x.txt a.eml",
         "An error occurred while saving (nodir/x.txt: No such file or directory)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.locale + " " + c.args);
        RunResult r = Run(c.args, "/dev/null", c.locale);
        const std::string& shown = c.args == "--help" ? r.out : r.err;
        EXPECT_NE(shown.find(c.expected), std::string::npos) << shown;
        if (c.locale != ja) {
            EXPECT_TRUE(std::none_of(shown.begin(), shown.end(), [](char b) { return b & 0x80; }))
                << "Japanese in English: " << shown;
            continue;
        }
        for (const char* english : {"usage", "error", "exported", "No such", "Try", "unknown"}) {
            EXPECT_EQ(shown.find(english), std::string::npos) << "English in Japanese: " << shown;
        }
    }
}

TEST_F(CliTest, OwnMboxReadsBackTheSame) {
    // LF-only sources: the writer adds no blank line of theirs, only its framing.
    // Dated, so that two runs in different seconds give the same envelope lines.
    const std::string date = "Date: Tue, 5 Mar 2002 09:07:03 +0900\n";
    Write("a.eml",
          "From: a@example.jp\n" + date + "Subject: a\n\nfrom a lowercase line\n>From quoted\n");
    Write("b.eml", "From: b@example.jp\n" + date + "Subject: b\n\nbody\n\n");
    Write("c.eml", "From: c@example.jp\n" + date + "Subject: c\n\nFROM the end");
    RunResult first = Run("--format mbox --output one.mbox a.eml b.eml c.eml");
    RunResult second = Run("--format mbox --output two.mbox one.mbox");
    EXPECT_EQ(first.status, 0) << first.err;
    EXPECT_EQ(second.status, 0) << second.err;
    std::string one = Read(Path("one.mbox"));
    EXPECT_NE(one.find("\r\n\r\nFrom b@example.jp "), std::string::npos) << one;
    EXPECT_EQ(Hex(Read(Path("two.mbox"))), Hex(one));
}

TEST_F(CliTest, InputsAreNeverWritten) {
    // Larger than the C library's buffers, so that a read could not hide in one.
    std::string body;
    for (int i = 0; i < 1000; ++i) body += std::string(70, 'x') + "\r\n";
    std::string box =
        Write("box.mbox", "From a Tue Mar  5 09:07:03 2002\n" + JisMessage("a@example.jp"));
    fs::create_symlink("box.mbox", Path("link.mbox"));
    fs::create_hard_link(Path("box.mbox"), Path("hard.mbox"));
    std::string plain = Write("f/Plain.eml", "From: p@example.jp\r\nSubject: Plain\r\n\r\n" + body);
    std::string other = Write("f/Other.eml", "From: o@example.jp\r\nSubject: Other\r\n\r\n" + body);
    std::string stored = Write("g/Plain.txt", Read(plain));
    Write("sep.ini", "[SETTING]\r\nSaveType=105\r\n");
    const std::string plainBefore = Read(plain), boxBefore = Read(box);
    struct Case {
        std::string args;
        std::string input;
        int status;
    } cases[] = {
        {"--format mbox --if-exists overwrite --output box.mbox box.mbox", "/dev/null", 2},
        {"--format mbox --if-exists append --output link.mbox box.mbox", "/dev/null", 2},
        {"--format separator --if-exists overwrite --output hard.mbox link.mbox", "/dev/null", 2},
        {"--format mbox --if-exists append --output box.mbox -", box, 2},
        {"--settings sep.ini --output g g/Plain.txt", "/dev/null", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args);
        RunResult r = Run(c.args, c.input);
        EXPECT_EQ(r.status, c.status) << r.err;
        EXPECT_NE(r.err.find("one of the inputs"), std::string::npos) << r.err;
        EXPECT_TRUE(Read(box) == boxBefore);
        EXPECT_TRUE(Read(stored) == plainBefore);
    }
    // Exported into their own folder, they keep their names and the copies take the next.
    const std::string otherBefore = Read(other);
    RunResult eml = Run("--format eml --output f f/Plain.eml f/Other.eml");
    EXPECT_EQ(eml.status, 0) << eml.err;
    EXPECT_TRUE(Read(plain) == plainBefore);
    EXPECT_TRUE(Read(other) == otherBefore);
    EXPECT_TRUE(Read(Path("f/Plain (2).eml")) == plainBefore + "\r\n");
    EXPECT_TRUE(Read(Path("f/Other (2).eml")) == otherBefore + "\r\n");
}

TEST_F(CliTest, FoldersAreMadeForTheFolderFormatsOnly) {
    Write("a.eml", JisMessage("a@example.jp"));
    Write("sep.ini", "[SETTING]\r\nSaveType=105\r\n");
    Write("win.ini", "[SETTING]\r\nSaveType=105\r\nSavePath=C:\\Users\\me\\\r\n");
    Write("file", "not a folder");
    struct Case {
        std::string args;
        int status;
        std::string made;
        std::string inStderr;
    } cases[] = {
        {"--format eml --output new/deep a.eml", 0, "new/deep/" + kUtf8Text + ".eml", ""},
        {"--settings sep.ini --output made/here a.eml", 0, "made/here/" + kUtf8Text + ".txt", ""},
        {"--format eml --output file a.eml", 1, "", "file: not a folder"},
        {"--format mbox --output nodir/x.txt a.eml", 1, "", "nodir/x.txt: No such file"},
        {"--settings win.ini a.eml", 2, "", "is a Windows path"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args);
        RunResult r = Run(c.args);
        EXPECT_EQ(r.status, c.status) << r.err;
        EXPECT_NE(r.err.find(c.inStderr), std::string::npos) << r.err;
        if (!c.made.empty()) {
            EXPECT_TRUE(fs::is_regular_file(Path(c.made))) << c.made;
        }
    }
    EXPECT_FALSE(fs::exists(Path("nodir")));
    for (const auto& item : fs::directory_iterator(dir_)) {
        EXPECT_EQ(item.path().filename().string().find('\\'), std::string::npos) << item.path();
    }
}

TEST_F(CliTest, UnlistableMaildirFolderIsTold) {
    // Root lists any folder unless it drops that right.
    std::string launcher;
    if (geteuid() == 0) {
        if (std::system("setpriv --bounding-set -dac_read_search true 2>/dev/null") != 0) {
            GTEST_SKIP() << "running as root without setpriv to drop the right to read any folder";
        }
        launcher = "setpriv --bounding-set -dac_override,-dac_read_search";
    }
    Write("md/cur/1.host:2,S", JisMessage("one@example.jp"));
    Write("md/new/2.host", JisMessage("two@example.jp"));
    chmod(Path("md/cur").c_str(), 0);
    RunResult md = Run("--format mbox --output md.txt md", "/dev/null", "C.UTF-8", launcher);
    chmod(Path("md/cur").c_str(), 0755);
    EXPECT_EQ(md.status, 1);
    EXPECT_NE(md.err.find("md/cur: cannot be listed (Permission denied)"), std::string::npos)
        << md.err;
    EXPECT_NE(Read(Path("md.txt")).find("two@example.jp"), std::string::npos);
}

TEST_F(CliTest, EveryGapIsTold) {
    // NUL bytes: each message named, the reason given once.
    Write("n1.eml", std::string("Subject: n1\r\n\r\nbefore\0after\r\n", 29));
    Write("n2.eml", std::string("Subject: n2\r\n\r\nx\0y\r\n", 19));
    RunResult nul = Run("--format mbox --output nul.txt n1.eml n2.eml");
    EXPECT_EQ(nul.status, 1);
    EXPECT_NE(nul.err.find("n1.eml: holds a NUL byte"), std::string::npos) << nul.err;
    EXPECT_NE(nul.err.find("n2.eml: holds a NUL byte"), std::string::npos) << nul.err;
    size_t reason = nul.err.find("NUL-terminated");
    EXPECT_NE(reason, std::string::npos) << nul.err;
    EXPECT_EQ(reason, nul.err.rfind("NUL-terminated")) << "the reason once: " << nul.err;
    EXPECT_EQ(Read(Path("nul.txt")).find("after"), std::string::npos);

    // A message that cannot be written leaves no file of its own behind.
    Write("blank.eml", "\n");
    Write("a.eml", JisMessage("a@example.jp"));
    RunResult eml = Run("--format eml --output out blank.eml a.eml");
    EXPECT_EQ(eml.status, 1);
    EXPECT_FALSE(fs::exists(Path("out/(noname).eml")));
    EXPECT_TRUE(fs::exists(Path("out/" + kUtf8Text + ".eml")));
}

TEST_F(CliTest, OutOfMemoryIsToldWithStatus1) {
    // Sanitizers reserve more address space than any limit leaves: the release build runs.
    const std::string plain = std::string(TESSERA_BINARY_DIR) + "/../native/tessera-export";
    if (!fs::exists(plain)) GTEST_SKIP() << plain << " (the release build) was not built";
    std::string small = Write("small.eml", JisMessage("a@example.jp"));
    std::string big = Path("big.eml");
    std::ofstream(big, std::ios::binary) << "Subject: big\r\n\r\n";
    fs::resize_file(big, 48u << 20);
    const std::string limit = "ulimit -v 65536;";
    RunResult fits = Run("--format mbox --output small.txt -", small, "C.UTF-8", limit, plain);
    EXPECT_EQ(fits.status, 0) << fits.err;
    RunResult tooBig = Run("--format mbox --output big.txt -", big, "C.UTF-8", limit, plain);
    EXPECT_EQ(tooBig.status, 1) << tooBig.err;
    EXPECT_NE(tooBig.err.find("out of memory"), std::string::npos) << tooBig.err;
}

TEST_F(CliTest, ClosingLineCountsConversionsAndQuietHidesItOnlySuccess) {
    Write("a.eml", JisMessage("a@example.jp"));
    Write("u.eml",
          "Subject: x\r\nContent-Type: text/plain; charset=utf-8\r\n\r\n\xF0\x9F\x98\x80\r\n");
    Write("p.eml", "Subject: y\r\n\r\nplain\r\n");
    // Labelled UTF-8 that is not: written as it came, and counted.
    Write("d.eml", "Subject: z\r\nContent-Type: text/plain; charset=utf-8\r\n\r\n\xFF bad\r\n");
    RunResult loud = Run("--format mbox --output o1 a.eml u.eml p.eml d.eml");
    EXPECT_EQ(loud.status, 0);
    EXPECT_NE(
        loud.err.find("exported 4 of 4 messages, 2 converted to Shift-JIS, 1 character written as "
                      "a reference (&#NNNNN;), 1 text part left as received: a converter failed "
                      "on it\n"),
        std::string::npos)
        << loud.err;
    RunResult eml = Run("--format eml --output e a.eml p.eml");
    EXPECT_NE(eml.err.find(": 1 message(s) have no usable Date: their files keep the export "
                           "time\n"),
              std::string::npos)
        << eml.err;
    RunResult quiet = Run("--quiet --format mbox --output o2 a.eml");
    EXPECT_EQ(quiet.status, 0);
    EXPECT_EQ(quiet.err, "");
    RunResult trouble = Run("--quiet --format mbox --output o3 a.eml missing.eml");
    EXPECT_EQ(trouble.status, 1);
    EXPECT_NE(trouble.err.find("exported 1 of 1 messages, 1 converted"), std::string::npos)
        << trouble.err;
}

}  // namespace

// Maildir read back by Python; .eml names, times and the index as asked.
TEST_F(CliTest, MaildirAndTheEmlExtras) {
    if (std::system("command -v python3 >/dev/null 2>&1") != 0) GTEST_SKIP() << "no python3";
    Write("in.mbox", Envelope("a@example.jp") + JisMessage("a@example.jp", ">From here\r\n") +
                         "\r\n" + Envelope("b@example.jp") + JisMessage("b@example.jp"));
    RunResult r = Run("--format maildir --output md in.mbox");
    ASSERT_EQ(r.status, 0) << r.err;
    r = Run("--format maildir --output md in.mbox");  // a second run adds, never replaces
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string count =
        "python3 -c \"import mailbox,sys; m=mailbox.Maildir(sys.argv[1], "
        "create=False); print(len(m), sum('From here' in x.get_payload() "
        "for x in m), {int(x.get_date()) for x in m})\" md >count";
    ASSERT_EQ(std::system(("cd '" + dir_ + "' && " + count).c_str()), 0);
    // Read the same when dated by the mail (the reader's delivery time is its Date).
    EXPECT_EQ(Read(Path("count")), "4 2 {1015286823}\n");
    EXPECT_TRUE(fs::is_empty(Path("md/tmp")));

    // The pattern's own text is typed in the locale's set ("会議" in UTF-8).
    const std::string kaigi = "\xE4\xBC\x9A\xE8\xAD\xB0";
    r = Run("--format eml --output e --index --name-pattern '%Y-%m-%d " + kaigi + " %a' in.mbox");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(fs::exists(Path("e/2002-03-05 " + kaigi + " a@example.jp.eml")));
    struct stat st;
    ASSERT_EQ(stat(Path("e/2002-03-05 " + kaigi + " b@example.jp.eml").c_str(), &st), 0);
    EXPECT_EQ(st.st_mtime, 1015286823);
    const std::string index = Read(Path("e/index.csv"));
    EXPECT_NE(
        index.find("\r\n2002-03-05 " + kaigi + " b@example.jp.eml,2002-03-05T09:07:03+09:00,"),
        std::string::npos)
        << index;
}

// --to utf-8 on a mix of ISO-2022-JP, EUC-JP, Shift-JIS and UTF-8 mail, read
// back by Python: every Subject, name and body right, every text part UTF-8.
TEST_F(CliTest, ToUtf8ReadsBackInPython) {
    if (std::system("command -v python3 >/dev/null 2>&1") != 0) GTEST_SKIP() << "no python3";
    const std::string head = "Date: Tue, 5 Mar 2002 09:07:03 +0900\r\nMIME-Version: 1.0\r\n";
    // Subjects and names: 日本語, 丂 (JIS X 0212), ① (NEC row 13), 😀; bodies likewise.
    const std::string mix =
        Envelope("a@example.jp") + "From: =?ISO-2022-JP?B?GyRCRnwbKEIsIBskQktcGyhC?= " +
        "<a@example.jp>\r\nSubject: =?ISO-2022-JP?B?GyRCRnxLXDhsGyhC?=\r\n" + head +
        "Content-Type: text/plain; charset=ISO-2022-JP\r\n\r\n" + kJisText +
        " \x1b$(D0!\x1b(B\r\n\r\n" + Envelope("b@example.jp") +
        "From: =?EUC-JP?Q?=C6=FC?= <b@example.jp>\r\nSubject: =?EUC-JP?B?j7Ch?=\r\n" + head +
        "Content-Type: text/plain; charset=EUC-JP\r\nContent-Transfer-Encoding: base64\r\n\r\n"
        "xvzL3CCPsKENCg==\r\n\r\n" +
        Envelope("c@example.jp") +
        "From: \"\x8D\xB2\x93\xA1\" <c@example.jp>\r\nSubject: " + kSjisText + "\x87\x40\r\n" +
        head +
        "Content-Type: text/plain; charset=Shift_JIS\r\n"
        "Content-Transfer-Encoding: quoted-printable\r\n\r\n=93=FA=96=7B=8C=EA=87=40\r\n\r\n" +
        Envelope("d@example.jp") +
        "From: \xE7\x94\xB0\xE4\xB8\xAD <d@example.jp>\r\nSubject: " + "Re: " + kUtf8Text +
        " \xF0\x9F\x98\x80\r\n" + head +
        "Content-Type: text/plain; charset=utf-8\r\nContent-Transfer-Encoding: "
        "quoted-printable\r\n\r\n=E6=97=A5 =F0=9F=98=80\r\n";
    Write("mix.mbox", mix);
    // The name from the decoded From: Python's address objects keep raw UTF-8
    // names as undecoded bytes. Output strictly UTF-8: such bytes fail it.
    Write("read.py",
          "import mailbox, email, email.policy, email.utils\n"
          "for m in mailbox.mbox('out.mbox', create=False):\n"
          "    m = email.message_from_bytes(m.as_bytes(), policy=email.policy.default)\n"
          "    p = m.get_body()\n"
          "    name = email.utils.parseaddr(str(m['From']))[0]\n"
          "    print(m['Subject'], name, p.get_param('charset'), p.get_content().strip(), "
          "sep='|')\n");
    for (const char* headers : {"", "--raw-headers"}) {
        SCOPED_TRACE(headers);
        RunResult r = Run("--to utf-8 " + std::string(headers) +
                          " --format mbox --output out.mbox " + "--if-exists overwrite mix.mbox");
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_NE(r.err.find("exported 4 of 4 messages, 4 converted to UTF-8"), std::string::npos)
            << r.err;
        const std::string read =
            "cd '" + dir_ + "' && PYTHONIOENCODING=utf-8 python3 read.py >read.txt";
        ASSERT_EQ(std::system(read.c_str()), 0);
        EXPECT_EQ(Read(Path("read.txt")),
                  "日本語|日, 本|UTF-8|日本語 丂\n"
                  "丂|日|UTF-8|日本 丂\n"
                  "日本語①|佐藤|UTF-8|日本語①\n"
                  "Re: 日本語 😀|田中|UTF-8|日 😀\n");
    }
    RunResult r = Run("--to latin1 --format mbox --output x.mbox mix.mbox");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("unknown --to charset 'latin1' (shift_jis or utf-8)"), std::string::npos)
        << r.err;
    r = Run("--raw-headers --format mbox --output x.mbox mix.mbox");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("--raw-headers needs --to utf-8"), std::string::npos) << r.err;
}
