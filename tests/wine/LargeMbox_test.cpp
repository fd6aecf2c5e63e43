// The simulated host's mbox reader in its 32-bit Windows build: a message that
// lies past 4 GiB is read from its own offset (64-bit file offsets).
#include <windows.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "mailstore/MessageStore.h"
#include "tests/wine/support/PluginFixture.h"

using namespace tessera;
using namespace tessera::testing;

namespace {

// A sparse file of the test's own, removed with its folder at the end.
class SparseFile {
  public:
    explicit SparseFile(const std::string& folder) : folder_(folder), path_(folder + "big.mbox") {}
    ~SparseFile() {
        DeleteFileA(path_.c_str());
        RemoveDirectoryA(folder_.c_str());
    }
    // Writes `text` at `offset`; the bytes skipped stay a hole.
    bool WriteAt(uint64_t offset, const std::string& text) {
        HANDLE file = CreateFileA(path_.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) return false;
        LARGE_INTEGER to;
        to.QuadPart = static_cast<LONGLONG>(offset);
        DWORD written = 0;
        bool ok =
            SetFilePointerEx(file, to, nullptr, FILE_BEGIN) &&
            WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
            written == text.size();
        CloseHandle(file);
        return ok;
    }
    const std::string& Path() const { return path_; }

  private:
    std::string folder_, path_;
};

TEST(LargeMbox, ReadsAMessagePastFourGiB) {
    SparseFile box(NewTempFolder("large"));
    const uint64_t beyond = (uint64_t{4} << 30) + 4096;  // where 32 bits wrap to 4096
    ASSERT_TRUE(box.WriteAt(0, "From a Tue Mar  5 09:07:03 2002\nSubject: near\n\n"));
    ASSERT_TRUE(box.WriteAt(beyond, "\nFrom b Tue Mar  5 09:07:03 2002\nSubject: far\n\nbody\n"));
    MessageStore store;
    std::string error;
    ASSERT_TRUE(store.AddPath(box.Path(), error)) << error;
    ASSERT_EQ(store.Count(), 2u);
    std::string text;
    ASSERT_TRUE(store.Source(1, text));
    EXPECT_EQ(text, "Subject: far\n\nbody\n");
    store.Clear();
}

}  // namespace
