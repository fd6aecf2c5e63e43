// The Win32 files of the export: a replacement appears whole or not at all,
// an append is cut back to its last whole message, a device is written as it is.
#include "platform/LocalFileSystem.h"

#include <gtest/gtest.h>

#include <cstring>

#include "tests/wine/support/PluginFixture.h"

using namespace tessera;
using namespace tessera::testing;

namespace {

bool WriteMessage(TargetFile& file, const std::string& text) {
    file.BeginMessage();
    return file.EndMessage(file.Write(text.data(), text.size()));
}

TEST(Win32Files, ReplaceAppearsOnlyOnCommitAndAbortLeavesNoNewFile) {
    // "表" ends in the byte '\': the folder part must be found by characters.
    std::string out = NewTempFolder("files") + "\x95\x5C";
    ASSERT_TRUE(CreateDirectoryA(out.c_str(), nullptr));
    out += "\\";
    LocalFileSystem files;
    for (TargetMode mode : {TargetMode::Replace, TargetMode::NewName}) {
        WriteFileBytes(out + "box.txt", "old\r\n");
        std::unique_ptr<TargetFile> file = files.Open(out + "box.txt", mode);
        ASSERT_TRUE(file) << files.TakeFailure();
        ASSERT_TRUE(WriteMessage(*file, "new\r\n"));
        EXPECT_EQ(ReadFileBytes(out + "box.txt"), "old\r\n");
        file->Abort();
        EXPECT_EQ(ReadFileBytes(out + "box.txt"), "old\r\n");
        EXPECT_EQ(ListFiles(out), std::vector<std::string>{"box.txt"});

        file = files.Open(out + "box.txt", mode);
        ASSERT_TRUE(file && WriteMessage(*file, "new\r\n") && file->Commit());
        EXPECT_EQ(ReadFileBytes(out + "box.txt"), "new\r\n");
        EXPECT_EQ(ListFiles(out), std::vector<std::string>{"box.txt"});
    }
}

TEST(Win32Files, AppendKeepsTheOldContentAndCutsAFailedMessageBack) {
    std::string out = NewTempFolder("files");
    LocalFileSystem files;
    WriteFileBytes(out + "box.txt", "old");
    std::unique_ptr<TargetFile> file = files.Open(out + "box.txt", TargetMode::Append);
    ASSERT_TRUE(file);
    EXPECT_EQ(file->Tail(), "old");
    ASSERT_TRUE(WriteMessage(*file, "one\r\n"));
    EXPECT_EQ(ReadFileBytes(out + "box.txt"), "old")
        << "the old file stays as it is until the commit";
    file->Abort();
    EXPECT_EQ(ReadFileBytes(out + "box.txt"), "old");
    EXPECT_EQ(ListFiles(out), std::vector<std::string>{"box.txt"});

    file = files.Open(out + "box.txt", TargetMode::Append);
    ASSERT_TRUE(WriteMessage(*file, "one\r\n"));
    file->BeginMessage();
    file->Write("From half", 9);
    EXPECT_FALSE(file->EndMessage(false));
    ASSERT_TRUE(WriteMessage(*file, "two\r\n"));
    ASSERT_TRUE(file->Commit());
    EXPECT_EQ(ReadFileBytes(out + "box.txt"), "oldone\r\ntwo\r\n");
    EXPECT_EQ(ListFiles(out), std::vector<std::string>{"box.txt"});
}

TEST(Win32Files, ReadOnlyAndHardLinkedTargetsAreRefusedUntouched) {
    std::string out = NewTempFolder("files");
    WriteFileBytes(out + "readonly.txt", "old");
    ASSERT_TRUE(SetFileAttributesA((out + "readonly.txt").c_str(), FILE_ATTRIBUTE_READONLY));
    WriteFileBytes(out + "linked.txt", "old");
    ASSERT_TRUE(
        CreateHardLinkA((out + "second.txt").c_str(), (out + "linked.txt").c_str(), nullptr));
    LocalFileSystem files;
    for (const char* name : {"readonly.txt", "linked.txt"}) {
        for (TargetMode mode : {TargetMode::Replace, TargetMode::Append}) {
            EXPECT_FALSE(files.Open(out + name, mode)) << name;
            std::string failure = files.TakeFailure();
            EXPECT_EQ(failure.find(out + name + ": "), 0u) << failure;
            EXPECT_GT(failure.size(), out.size() + std::strlen(name) + 2) << "with a reason";
        }
    }
    EXPECT_EQ(ReadFileBytes(out + "second.txt"), "old");
    SetFileAttributesA((out + "readonly.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(ReadFileBytes(out + "readonly.txt"), "old");
    EXPECT_EQ(ListFiles(out),
              (std::vector<std::string>{"linked.txt", "readonly.txt", "second.txt"}));
}

TEST(Win32Files, LeftoversThatNoOneHoldsOpenAreRemoved) {
    std::string out = NewTempFolder("files");
    for (const char* name : {"tes00ABCD.tmp", "tes00ABCE.tmp", "tes123.tmp", "tesXYZXYZ.tmp"})
        WriteFileBytes(out + name, "partial");
    // An export still running holds its new file as CreateBeside opens it.
    HANDLE held = CreateFileA((out + "tes00ABCE.tmp").c_str(), GENERIC_READ | GENERIC_WRITE,
                              FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    LocalFileSystem files;
    std::unique_ptr<TargetFile> file = files.Open(out + "box.txt", TargetMode::Replace);
    ASSERT_TRUE(file && WriteMessage(*file, "new") && file->Commit());
    CloseHandle(held);
    EXPECT_EQ(ListFiles(out), (std::vector<std::string>{"box.txt", "tes00ABCE.tmp", "tes123.tmp",
                                                        "tesXYZXYZ.tmp"}));
}

TEST(Win32Files, PipeIsWrittenAsItIsAndAFolderRefused) {
    // A pipe of the test's own stands for any device: no file is made for it.
    std::string name = "\\\\.\\pipe\\tessera-test-" + std::to_string(GetCurrentProcessId());
    HANDLE server = CreateNamedPipeA(name.c_str(), PIPE_ACCESS_INBOUND, PIPE_TYPE_BYTE, 1, 4096,
                                     4096, 0, nullptr);
    ASSERT_NE(server, INVALID_HANDLE_VALUE);
    LocalFileSystem files;
    std::unique_ptr<TargetFile> pipe = files.Open(name, TargetMode::Replace);
    ASSERT_TRUE(pipe) << files.TakeFailure();
    EXPECT_TRUE(WriteMessage(*pipe, "through"));
    EXPECT_TRUE(pipe->Commit());
    char got[16] = {};
    DWORD read = 0;
    EXPECT_TRUE(ReadFile(server, got, sizeof got, &read, nullptr));
    EXPECT_EQ(std::string(got, read), "through");
    CloseHandle(server);

    std::string out = NewTempFolder("files");
    EXPECT_FALSE(files.Open(out.substr(0, out.size() - 1), TargetMode::Replace));
    EXPECT_FALSE(files.TakeFailure().empty());
    EXPECT_TRUE(ListFiles(out).empty());
    // A made name is not looked at first, yet a folder of that name is kept.
    ASSERT_TRUE(CreateDirectoryA((out + "box.eml").c_str(), nullptr));
    std::unique_ptr<TargetFile> file = files.Open(out + "box.eml", TargetMode::NewName);
    EXPECT_FALSE(file && WriteMessage(*file, "new") && file->Commit());
    EXPECT_EQ(GetFileAttributesA((out + "box.eml").c_str()) & FILE_ATTRIBUTE_DIRECTORY,
              static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
    // The complete new file stays under a name that is told.
    std::string failure = files.TakeFailure();
    EXPECT_NE(failure.find(out + "box.eml.tessera-saved"), std::string::npos) << failure;
    EXPECT_EQ(ReadFileBytes(out + "box.eml.tessera-saved"), "new");
    EXPECT_EQ(ListFiles(out), std::vector<std::string>{"box.eml.tessera-saved"});
}

}  // namespace
