// What the real plug-in keeps of a message and how it fares with one too large
// to hold, with this process acting as host.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "host/SimulatedHost.h"
#include "tests/wine/support/PluginFixture.h"
#include "tests/wine/support/WindowWatcher.h"

using namespace tessera;
using namespace tessera::testing;

namespace {

// Starts the stored-format export of the host's messages as .eml files into `out`.
void ExportEml(PluginFixture& plugin, const std::string& out, const std::string& extra) {
    plugin.WriteIni("[SETTING]\r\nSavePath=" + out + "\r\nSaveType=104\r\n" + extra);
    ASSERT_TRUE(plugin.Load());
    ASSERT_EQ(plugin.Host().CallMenuInit(0), 0);
}

TEST(NoAttachments, TextInsideANestedAlternativeStays) {
    const std::string head = "Subject: report\r\nContent-Type: multipart/mixed; boundary=m\r\n\r\n";
    const std::string alternative =
        "--m\r\nContent-Type: multipart/alternative; boundary=a\r\n\r\n"
        "--a\r\nContent-Type: text/plain; charset=us-ascii\r\n\r\nthe text\r\n";
    const std::string message = head + alternative +
                                "--a\r\nContent-Type: text/html\r\n\r\n<p>the text</p>\r\n--a--\r\n"
                                "--m\r\nContent-Type: application/pdf\r\n\r\n%PDF-1.4\r\n--m--\r\n";
    PluginFixture plugin;
    const std::string out = NewTempFolder("noattach");
    ExportEml(plugin, out, "NoAttach=1\r\n");
    SimulatedHost::Instance().Messages().AddText("report", message);
    ASSERT_TRUE(plugin.Host().InvokeCommand(1));
    EXPECT_EQ(plugin.Host().CallExit(), 0);
    EXPECT_EQ(ReadFileBytes(out + "report.eml"), head + alternative + "--a--\r\n--m--\r\n\r\n");
}

// JIS X 0212 is the engine's to decode in the plug-in too: in the Subject that
// names the file and in the body, a character code page 932 has gets its code.
TEST(Conversion, JisX0212IsConvertedNotLost) {
    const std::string message =
        "Subject: =?ISO-2022-JP-2?B?GyQoRDAhVGMbJEI3b0w+GyhC?=\r\n"
        "Content-Type: text/plain; charset=ISO-2022-JP-2\r\n\r\n\x1b$(D0!Tc\x1b(B\r\n";
    PluginFixture plugin;
    const std::string out = NewTempFolder("jisx0212");
    ExportEml(plugin, out, "");
    SimulatedHost::Instance().Messages().AddText("jisx0212", message);
    ASSERT_TRUE(plugin.Host().InvokeCommand(1));
    EXPECT_EQ(plugin.Host().CallExit(), 0);
    // 丂 has no code: a reference in the text, "_" in the name; 纊 is FA 5C.
    EXPECT_EQ(ReadFileBytes(out + "_\xFA\x5C\x8C\x8F\x96\xBC.eml"),
              "Subject: &#19970;\xFA\x5C\x8C\x8F\x96\xBC\r\n"
              "Content-Type: text/plain; charset=MS932\r\nContent-Transfer-Encoding: 8bit\r\n\r\n"
              "&#19970;\xFA\x5C\r\n\r\n");
}

// A digest's members are messages: converted, and kept under NoAttach.
TEST(Digest, MembersAreConvertedAndKept) {
    const std::string jis = "\x1b$BF|K\\8l\x1b(B";  // 日本語
    const std::string sjis = "\x93\xFA\x96\x7B\x8C\xEA";
    const std::string head =
        "Subject: digest\r\nContent-Type: multipart/digest; boundary=d\r\n\r\n";
    const std::string member =
        "Subject: =?ISO-2022-JP?B?GyRCRnxLXDhsGyhC?=\r\n"
        "Content-Type: text/plain; charset=iso-2022-jp\r\n\r\n";
    PluginFixture plugin;
    const std::string out = NewTempFolder("digest");
    ExportEml(plugin, out, "NoAttach=1\r\n");
    SimulatedHost::Instance().Messages().AddText(
        "digest",
        head + "--d\r\n\r\n" + member + jis + "\r\n--d\r\n\r\n" + member + jis + "\r\n--d--\r\n");
    ASSERT_TRUE(plugin.Host().InvokeCommand(1));
    EXPECT_EQ(plugin.Host().CallExit(), 0);
    const std::string converted = "Subject: " + sjis +
                                  "\r\nContent-Type: text/plain; charset=Shift_JIS\r\n"
                                  "Content-Transfer-Encoding: 8bit\r\n\r\n" +
                                  sjis + "\r\n";
    EXPECT_EQ(ReadFileBytes(out + "digest.eml"),
              head + "--d\r\n\r\n" + converted + "--d\r\n\r\n" + converted + "--d--\r\n\r\n");
}

// Takes all free address space of this process but one piece of `leave` bytes,
// so that allocations beyond that fail; gives it back when destroyed.
class AddressSpaceTaken {
  public:
    explicit AddressSpaceTaken(size_t leave) {
        blocks_.reserve(65536);  // no heap needed while taking
        void* kept = VirtualAlloc(nullptr, leave, MEM_RESERVE, PAGE_NOACCESS);
        // Room of its own for the system under the process: a thread that ends
        // has the C library load its unwinder, and without room for it the
        // process aborts ("libgcc_s.so.1 must be installed").
        void* system = VirtualAlloc(nullptr, kSystemRoom, MEM_RESERVE, PAGE_NOACCESS);
        for (size_t size = size_t(1) << 30; size >= 64 * 1024; size /= 2) {
            while (void* block = VirtualAlloc(nullptr, size, MEM_RESERVE, PAGE_NOACCESS)) {
                blocks_.push_back(block);
                if (blocks_.size() == blocks_.capacity()) return;
            }
        }
        if (kept) VirtualFree(kept, 0, MEM_RELEASE);
        if (system) VirtualFree(system, 0, MEM_RELEASE);
    }
    ~AddressSpaceTaken() {
        for (void* block : blocks_) VirtualFree(block, 0, MEM_RELEASE);
    }

  private:
    static constexpr size_t kSystemRoom = 4u << 20;
    std::vector<void*> blocks_;
};

TEST(TooLarge, MessageIsToldWith500AndTheNextOneIsExported) {
    constexpr size_t kBig = 24u << 20;
    // Text labelled Japanese is copied while parsed, a line in 2 bytes: as much again.
    std::string big = "Subject: big\r\nContent-Type: text/plain; charset=iso-2022-jp\r\n\r\n";
    big.reserve(kBig + 64);
    while (big.size() < kBig) big += "a\n";
    PluginFixture plugin;
    const std::string out = NewTempFolder("toolarge");
    ExportEml(plugin, out, "");
    SimulatedHost::Instance().Messages().AddText("big", big);
    SimulatedHost::Instance().Messages().AddText("small", "Subject: small\r\n\r\nhello\r\n");
    // On a slow machine the progress window would appear and gather the error into
    // its summary; this test is about the error box, so the window never shows.
    SetEnvironmentVariableA("TESSERA_PROGRESS_DELAY_MS", "4294967295");
    WindowWatcher watcher("エラー", IDOK, 60000);
    bool roomAsPlanned = false;
    {
        AddressSpaceTaken taken(kBig + (12u << 20));
        // The source fits (the host hands it out), a second message's worth does not.
        void* source = std::malloc(kBig + 1);
        void* second = std::malloc(kBig);
        std::free(second);
        std::free(source);
        roomAsPlanned = source != nullptr && second == nullptr;
        if (roomAsPlanned) plugin.Host().InvokeCommand(1);
    }
    SetEnvironmentVariableA("TESSERA_PROGRESS_DELAY_MS", nullptr);
    EXPECT_EQ(plugin.Host().CallExit(), 0);  // first: a module left loaded hangs the teardown
    ASSERT_TRUE(roomAsPlanned);
    const SeenDialog& box = watcher.Result();
    ASSERT_TRUE(box.found) << "a message too large to hold is told";
    bool hasText = false;
    for (const std::string& text : box.texts)
        hasText |= text == "保存途中でエラーが発生しました\n1 通目のメール: メモリに収まりません";
    EXPECT_TRUE(hasText) << "the text, then the message and why";
    EXPECT_NE(ReadFileBytes(out + "small.eml").find("hello"), std::string::npos);
    EXPECT_EQ(SimulatedHost::Instance().Buffers().Live(), 0u);
}

}  // namespace

namespace {

// Seconds since 1970 of a file's last write, as the system keeps it.
long long WriteTime(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return -1;
    const unsigned long long ticks =
        (static_cast<unsigned long long>(data.ftLastWriteTime.dwHighDateTime) << 32) |
        data.ftLastWriteTime.dwLowDateTime;
    return static_cast<long long>(ticks / 10000000ULL) - 11644473600LL;
}

}  // namespace

// The INI-only keys through the real plug-in: a pattern names the file, the
// file and the saved attachment take the mail's date, index.csv lists it.
TEST(IniExtras, PatternTimesIndexAndAttachments) {
    const std::string message =
        "Subject: =?ISO-2022-JP?B?GyRCMnE1RBsoQg==?=\r\nFrom: Taro <taro@example.jp>\r\n"
        "Date: Tue, 05 Mar 2002 09:07:03 +0900\r\n"
        "Content-Type: multipart/mixed; boundary=m\r\n\r\n"
        "--m\r\nContent-Type: text/plain; charset=us-ascii\r\n\r\nthe text\r\n"
        "--m\r\nContent-Type: application/pdf\r\nContent-Transfer-Encoding: base64\r\n"
        "Content-Disposition: attachment; filename*=UTF-8''%E4%BC%9A%E8%AD%B0.pdf\r\n\r\n"
        "AAEC/w==\r\n--m--\r\n";
    PluginFixture plugin;
    const std::string out = NewTempFolder("extras");
    ExportEml(
        plugin, out,
        "NoAttach=1\r\nFileNamePattern=%Y%m%d %H%M %s\r\nWriteIndex=1\r\nSaveAttachments=1\r\n");
    SimulatedHost::Instance().Messages().AddText("m", message);
    ASSERT_TRUE(plugin.Host().InvokeCommand(1));
    EXPECT_EQ(plugin.Host().CallExit(), 0);
    const std::string ini = plugin.IniText();
    EXPECT_NE(ini.find("FileNamePattern=%Y%m%d %H%M %s\r\n"), std::string::npos) << ini;
    EXPECT_EQ(ini.find("MailFileTimes"), std::string::npos) << "a key at its default is not added";
    const std::string kaigi = "\x89\xEF\x8B\x63";  // 会議
    const std::string name = "20020305 0907 " + kaigi;
    EXPECT_EQ(WriteTime(out + name + ".eml"), 1015286823);
    EXPECT_EQ(ReadFileBytes(out + name + "\\" + kaigi + ".pdf"),
              std::string("\x00\x01\x02\xFF", 4));
    EXPECT_EQ(WriteTime(out + name + "\\" + kaigi + ".pdf"), 1015286823);
    const std::string eml = ReadFileBytes(out + name + ".eml");
    EXPECT_NE(eml.find("\x83\x74\x83\x40\x83\x43\x83\x8B: " + kaigi + ".pdf]\r\n"),
              std::string::npos)
        << eml;
    const std::string index = ReadFileBytes(out + "index.csv");
    EXPECT_EQ(index.substr(0, 44), "File,Date,From,To,Subject,Size,Attachments\r\n");
    EXPECT_NE(index.find(name + ".eml,2002-03-05T09:07:03+09:00,Taro <taro@example.jp>,," + kaigi),
              std::string::npos)
        << index;
}
