// The POSIX files of the export, in a temporary folder of their own: a
// replacement appears whole or not at all, an append keeps whole messages, and
// only regular files are ever replaced or cut back.
#include "platform/LocalFileSystem.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

using namespace tessera;

namespace {

namespace fs = std::filesystem;

class LocalFileSystemTest : public ::testing::Test {
  protected:
    void SetUp() override {
        char pattern[] = "/tmp/tessera-files-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir_ = pattern;
    }
    void TearDown() override {
        if (mounted_) umount2(Path("small").c_str(), MNT_DETACH);
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }

    std::string Path(const std::string& name) const { return dir_ + "/" + name; }
    void Put(const std::string& name, const std::string& bytes) const {
        std::ofstream(Path(name), std::ios::binary) << bytes;
    }
    std::string Read(const std::string& name) const {
        std::ifstream in(Path(name), std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }
    std::vector<std::string> Names(const std::string& folder = "") const {
        std::vector<std::string> names;
        for (const auto& item : fs::directory_iterator(folder.empty() ? dir_ : Path(folder))) {
            names.push_back(item.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }
    static bool WriteMessage(TargetFile& file, const std::string& text) {
        file.BeginMessage();
        return file.EndMessage(file.Write(text.data(), text.size()));
    }
    // A tmpfs of `kib` KiB (and at most `inodes` files and folders) under the
    // test's folder; false where mounting is not allowed.
    bool MountSmallDisk(int kib, int inodes = 100) {
        fs::create_directory(Path("small"));
        std::string options =
            "size=" + std::to_string(kib) + "k,nr_inodes=" + std::to_string(inodes);
        mounted_ = mount("tessera-test", Path("small").c_str(), "tmpfs", 0, options.c_str()) == 0;
        return mounted_;
    }

    LocalFileSystem files;
    std::string dir_;
    bool mounted_ = false;
};

TEST_F(LocalFileSystemTest, ReplaceLeavesTheOldFileUntilCommitAndNothingAfterAbort) {
    for (TargetMode mode : {TargetMode::Replace, TargetMode::NewName}) {
        Put("box", "old\r\n");
        chmod(Path("box").c_str(), 0640);
        if (geteuid() == 0) {
            ASSERT_EQ(chown(Path("box").c_str(), 65534, 65534), 0);
        }
        std::unique_ptr<TargetFile> file = files.Open(Path("box"), mode);
        ASSERT_TRUE(file);
        ASSERT_TRUE(WriteMessage(*file, "new\r\n"));
        EXPECT_EQ(Read("box"), "old\r\n") << "still the old file while the new one is written";
        file->Abort();
        EXPECT_EQ(Read("box"), "old\r\n");
        EXPECT_EQ(Names(), std::vector<std::string>{"box"}) << "the partial new file is gone";

        file = files.Open(Path("box"), mode);
        ASSERT_TRUE(WriteMessage(*file, "new\r\n"));
        ASSERT_TRUE(file->Commit());
        EXPECT_EQ(files.FinishRun(), 0);
        EXPECT_EQ(Read("box"), "new\r\n");
        EXPECT_EQ(Names(), std::vector<std::string>{"box"});
        struct stat info;
        ASSERT_EQ(stat(Path("box").c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 0777, 0640u) << "the new file keeps the old one's permissions";
        if (geteuid() == 0) {
            EXPECT_EQ(info.st_uid, 65534u) << "and, for root, its owner";
            ASSERT_EQ(chown(Path("box").c_str(), 0, 0), 0);
        }

        // Dropped without a commit (an exception, an early return): as Abort.
        files.Open(Path("fresh"), mode)->Write("x", 1);
        EXPECT_EQ(Names(), std::vector<std::string>{"box"});
    }
}

TEST_F(LocalFileSystemTest, AFileMadeWhileANewOneIsWrittenIsReplacedWhole) {
    for (TargetMode mode : {TargetMode::Replace, TargetMode::NewName}) {
        std::unique_ptr<TargetFile> file = files.Open(Path("box"), mode);
        ASSERT_TRUE(file && WriteMessage(*file, "new"));
        Put("box", "made meanwhile");
        ASSERT_TRUE(file->Commit());
        EXPECT_EQ(files.FinishRun(), 0);
        EXPECT_EQ(Read("box"), "new");
        EXPECT_EQ(Names(), std::vector<std::string>{"box"});
        fs::remove(Path("box"));
    }
}

TEST_F(LocalFileSystemTest, MadeNamesReplaceOldFilesOnlyAtTheEndOfTheRunAndThenAllOfThem) {
    // More than one batch of held files, and one whose name became a folder.
    const int count = 300;
    for (int i = 0; i < count; ++i) Put(std::to_string(i) + ".eml", "old");
    for (int i = 0; i <= count; ++i) {
        std::string name = i < count ? std::to_string(i) + ".eml" : "new.eml";
        std::unique_ptr<TargetFile> file = files.Open(Path(name), TargetMode::NewName);
        ASSERT_TRUE(file && WriteMessage(*file, "new " + name) && file->Commit()) << name;
    }
    EXPECT_EQ(Read("new.eml"), "new new.eml") << "a name of nothing is placed at once";
    EXPECT_EQ(Read(std::to_string(count - 1) + ".eml"), "old") << "the last batch still waits";
    fs::remove(Path("299.eml"));
    fs::create_directory(Path("299.eml"));
    Put("299.eml/kept", "k");

    EXPECT_EQ(files.FinishRun(), 1);
    std::string failure = files.TakeFailure();
    EXPECT_NE(failure.find("the complete export is in " + Path("299.eml.tessera-saved")),
              std::string::npos)
        << failure;
    EXPECT_EQ(Read("299.eml.tessera-saved"), "new 299.eml");
    for (int i = 0; i < count - 1; ++i) {
        ASSERT_EQ(Read(std::to_string(i) + ".eml"), "new " + std::to_string(i) + ".eml") << i;
    }
    EXPECT_EQ(Names().size(), count + 2u) << "no file left under a hidden name";
    EXPECT_EQ(files.FinishRun(), 0) << "nothing twice";
}

TEST_F(LocalFileSystemTest, ReplaceThroughALinkReplacesTheFileItNames) {
    Put("real", "old");
    fs::create_symlink(Path("real"), Path("link"));
    std::unique_ptr<TargetFile> file = files.Open(Path("link"), TargetMode::Replace);
    ASSERT_TRUE(file && WriteMessage(*file, "new") && file->Commit());
    EXPECT_TRUE(fs::is_symlink(Path("link")));
    EXPECT_EQ(Read("real"), "new");
}

TEST_F(LocalFileSystemTest, AppendKeepsTheOldContentAndCutsAFailedMessageBack) {
    Put("box", "old\r\n");
    std::unique_ptr<TargetFile> file = files.Open(Path("box"), TargetMode::Append);
    ASSERT_TRUE(file);
    EXPECT_EQ(file->Tail(), "ld\r\n") << "the last bytes, at most 4";
    ASSERT_TRUE(WriteMessage(*file, "one\r\n"));
    EXPECT_EQ(Read("box"), "old\r\n") << "the old file stays as it is until the commit";
    file->Abort();
    EXPECT_EQ(Read("box"), "old\r\n");
    EXPECT_EQ(Names(), std::vector<std::string>{"box"});

    file = files.Open(Path("box"), TargetMode::Append);
    ASSERT_TRUE(WriteMessage(*file, "one\r\n"));
    file->BeginMessage();
    file->Write("From half", 9);
    EXPECT_FALSE(file->EndMessage(false));
    // Too large to be held, it goes out in pieces and is still cut back.
    std::string large(3 * TargetFile::kHeldBytes, 'l');
    file->BeginMessage();
    file->Write(large.data(), large.size());
    EXPECT_FALSE(file->EndMessage(false));
    ASSERT_TRUE(WriteMessage(*file, "two\r\n"));
    ASSERT_TRUE(file->Commit());
    EXPECT_EQ(Read("box"), "old\r\none\r\ntwo\r\n");
}

TEST_F(LocalFileSystemTest, AppendWhereNoNewFileOrCopyFitsGoesInPlaceAndCutsBack) {
    // A tmpfs with no inode left for a new file, or no room for a copy of
    // the old one: the old file can still grow.
    struct Case {
        int kib, inodes;
        size_t oldBytes;
    };
    for (Case c : {Case{64, 2, 5}, Case{64, 100, 40 * 1024}}) {
        if (!MountSmallDisk(c.kib, c.inodes)) GTEST_SKIP() << "cannot mount a tmpfs here";
        const std::string old(c.oldBytes, 'o');
        Put("small/box", old);
        std::unique_ptr<TargetFile> file = files.Open(Path("small/box"), TargetMode::Append);
        ASSERT_TRUE(file) << files.TakeFailure();
        file->BeginMessage();
        file->Write("From half", 9);
        EXPECT_FALSE(file->EndMessage(false));
        ASSERT_TRUE(WriteMessage(*file, "one\r\n"));
        ASSERT_TRUE(file->Commit());
        EXPECT_EQ(Read("small/box"), old + "one\r\n");
        EXPECT_EQ(Names("small"), std::vector<std::string>{"box"});
        umount2(Path("small").c_str(), MNT_DETACH);
        mounted_ = false;
    }
}

TEST_F(LocalFileSystemTest, TargetsThatMustNotBeWrittenAreRefusedUntouched) {
    Put("other", "");
    Put("linked", "old");
    ASSERT_EQ(link(Path("linked").c_str(), Path("second-name").c_str()), 0);
    Put("readonly", "old");
    ASSERT_EQ(chmod(Path("readonly").c_str(), 0444), 0);
    ASSERT_EQ(mkfifo(Path("unread").c_str(), 0600), 0);
    // Root writes over any mode: the read-only file is tried as nobody.
    const bool root = geteuid() == 0;
    if (root) {
        ASSERT_EQ(chmod(dir_.c_str(), 0755), 0);
        ASSERT_EQ(chown(Path("readonly").c_str(), 65534, 65534), 0);
    }
    struct Case {
        const char* name;
        const char* reason;
        bool asNobody;
    };
    const Case cases[] = {
        {"readonly", "Permission denied", root},
        {"linked", "other hard link", false},
        {"unread", "no process reads", false},
    };
    for (const Case& c : cases) {
        for (TargetMode mode : {TargetMode::Replace, TargetMode::Append, TargetMode::NewName}) {
            if (c.asNobody && seteuid(65534) != 0) GTEST_SKIP() << "cannot become nobody";
            std::unique_ptr<TargetFile> file = files.Open(Path(c.name), mode);
            std::string failure = files.TakeFailure();
            if (c.asNobody) {
                ASSERT_EQ(seteuid(0), 0);
            }
            EXPECT_FALSE(file) << c.name;
            EXPECT_EQ(failure.find(Path(c.name) + ": "), 0u) << failure;
            EXPECT_NE(failure.find(c.reason), std::string::npos) << failure;
        }
    }
    EXPECT_EQ(Read("readonly"), "old");
    EXPECT_EQ(Read("second-name"), "old");
    EXPECT_EQ(Names(),
              (std::vector<std::string>{"linked", "other", "readonly", "second-name", "unread"}));
}

TEST_F(LocalFileSystemTest, LeftoversOfExportsThatNoLongerRunAreRemoved) {
    pid_t gone = fork();
    if (gone == 0) _exit(0);
    ASSERT_GT(gone, 0);
    ASSERT_EQ(waitpid(gone, nullptr, 0), gone);
    const std::string dead = ".tessera-" + std::to_string(gone) + "-1.tmp";
    const std::string alive = ".tessera-" + std::to_string(getppid()) + "-1.tmp";
    const std::string locked = ".tessera-" + std::to_string(gone) + "-2.tmp";
    for (const std::string& name :
         {dead, alive, locked, dead + ".bak", std::string(".tessera-x.tmp")})
        Put(name, "partial");
    // Held by a process elsewhere (another machine sharing the folder).
    int holder = open(Path(locked).c_str(), O_RDONLY);
    ASSERT_EQ(flock(holder, LOCK_EX), 0);

    std::unique_ptr<TargetFile> file = files.Open(Path("box"), TargetMode::Replace);
    ASSERT_TRUE(file && WriteMessage(*file, "new") && file->Commit());
    close(holder);
    std::vector<std::string> kept = {alive, dead + ".bak", locked, ".tessera-x.tmp", "box"};
    std::sort(kept.begin(), kept.end());  // the order of process ids varies
    EXPECT_EQ(Names(), kept);
}

TEST_F(LocalFileSystemTest, ACompleteExportWhoseRenameFailsIsKeptAndNamed) {
    std::unique_ptr<TargetFile> file = files.Open(Path("box"), TargetMode::Replace);
    ASSERT_TRUE(file && WriteMessage(*file, "whole export"));
    // The target became a folder with something in it: no rename goes over it.
    fs::create_directory(Path("box"));
    Put("box/kept", "k");
    EXPECT_FALSE(file->Commit());
    std::string failure = files.TakeFailure();
    EXPECT_NE(failure.find("the complete export is in " + Path("box.tessera-saved")),
              std::string::npos)
        << failure;
    EXPECT_EQ(Read("box.tessera-saved"), "whole export");
    EXPECT_EQ(Read("box/kept"), "k");
}

TEST_F(LocalFileSystemTest, FullDiskLeavesTheOldContentAndWholeMessagesOnly) {
    if (!MountSmallDisk(64)) GTEST_SKIP() << "cannot mount a tmpfs here";
    const std::string old(1000, 'o'), message(3000, 'm');
    // An append, and a new file, keep what fitted; a replacement that failed
    // is dropped. Written in the background, a replacement may learn of the
    // full disk only when it is committed.
    for (const char* kind : {"append", "replacement", "new file"}) {
        SCOPED_TRACE(kind);
        const bool replacement = std::string(kind) == "replacement";
        const std::string before = std::string(kind) == "new file" ? "" : old;
        fs::remove(Path("small/box"));
        if (!before.empty()) Put("small/box", before);
        std::unique_ptr<TargetFile> file =
            files.Open(Path("small/box"),
                       std::string(kind) == "append" ? TargetMode::Append : TargetMode::Replace);
        ASSERT_TRUE(file);
        size_t whole = 0;
        while (whole < 100 && WriteMessage(*file, message)) ++whole;
        if (!replacement) {
            ASSERT_LT(whole, 100u) << "the disk never filled";
            ASSERT_TRUE(file->Commit());
        } else if (whole == 100) {
            EXPECT_FALSE(file->Commit());
        } else {
            file->Abort();
        }
        EXPECT_NE(files.TakeFailure().find("No space left on device"), std::string::npos);
        size_t kept = replacement ? 0 : whole;
        EXPECT_EQ(Read("small/box"), before + std::string(kept * message.size(), 'm'));
        EXPECT_EQ(Names("small"), std::vector<std::string>{"box"});
    }
}

TEST_F(LocalFileSystemTest, DevicesAndPipesAreWrittenAsTheyAreAndFoldersRefused) {
    if (mknod(Path("null").c_str(), S_IFCHR | 0666, makedev(1, 3)) != 0 ||
        mknod(Path("full").c_str(), S_IFCHR | 0666, makedev(1, 7)) != 0) {
        GTEST_SKIP() << "cannot make device nodes here";
    }
    for (TargetMode mode : {TargetMode::Replace, TargetMode::Append}) {
        std::unique_ptr<TargetFile> null = files.Open(Path("null"), mode);
        ASSERT_TRUE(null && WriteMessage(*null, "x") && null->Commit());
        std::unique_ptr<TargetFile> full = files.Open(Path("full"), mode);
        ASSERT_TRUE(full);
        EXPECT_FALSE(WriteMessage(*full, "x"));
        full->Abort();
    }
    struct stat info;
    for (const char* name : {"null", "full"}) {
        ASSERT_EQ(lstat(Path(name).c_str(), &info), 0) << name << " was removed";
        EXPECT_TRUE(S_ISCHR(info.st_mode)) << name << " is no longer a device";
    }

    ASSERT_EQ(mkfifo(Path("pipe").c_str(), 0600), 0);
    int reader = open(Path("pipe").c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    std::unique_ptr<TargetFile> pipe = files.Open(Path("pipe"), TargetMode::Replace);
    ASSERT_TRUE(pipe && WriteMessage(*pipe, "through") && pipe->Commit());
    char got[16] = {};
    EXPECT_EQ(read(reader, got, sizeof got), 7);
    close(reader);
    ASSERT_EQ(lstat(Path("pipe").c_str(), &info), 0);
    EXPECT_TRUE(S_ISFIFO(info.st_mode));

    fs::create_directory(Path("folder"));
    Put("folder/kept", "k");
    EXPECT_FALSE(files.Open(Path("folder"), TargetMode::Replace));
    EXPECT_NE(files.TakeFailure().find("Is a directory"), std::string::npos);
    EXPECT_EQ(Read("folder/kept"), "k");
}

}  // namespace

TEST_F(LocalFileSystemTest, SetFileTimeDatesTheFileOrTellsWhyNot) {
    Put("a.eml", "x");
    LocalFileSystem files;
    for (int64_t when : {int64_t{1015286823}, int64_t{-283996801}}) {  // 2002, 1960
        ASSERT_TRUE(files.SetFileTime(Path("a.eml"), when));
        struct stat st;
        ASSERT_EQ(stat(Path("a.eml").c_str(), &st), 0);
        EXPECT_EQ(static_cast<int64_t>(st.st_mtime), when);
    }
    EXPECT_FALSE(files.SetFileTime(Path("missing.eml"), 0));
    EXPECT_NE(files.TakeFailure().find("missing.eml: "), std::string::npos);
}
