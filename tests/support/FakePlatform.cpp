#include "tests/support/FakePlatform.h"

#include <algorithm>

namespace tessera::testing {

namespace {

class FakeFile : public OutputFile {
public:
    FakeFile(MemoryFile& file, FakePlatform& platform) : file_(file), platform_(platform) {}
    bool Write(const char* data, size_t size) override {
        size_t room = platform_.diskSpace > platform_.used ? platform_.diskSpace - platform_.used : 0;
        size_t take = std::min(size, room);
        file_.bytes.append(data, take);
        platform_.used += take;
        return take == size;
    }

private:
    MemoryFile& file_;
    FakePlatform& platform_;
};

class FakeProgress : public ExportProgress {
public:
    FakeProgress(FakePlatform& platform, std::function<int()> count)
        : platform_(platform), count_(std::move(count)) {}
    bool Shown() const override { return platform_.continueCalls >= platform_.shownFrom; }
    bool WantsSubject() const override { return Shown(); }
    bool Continue(const ExportReport&) override {
        int call = ++platform_.continueCalls;
        if (Shown() && platform_.countedTotal < 0) platform_.countedTotal = count_();
        return call != platform_.cancelOn;
    }
    void SetSubject(const std::string& subject) override { platform_.subjects.push_back(subject); }
    void KeepAlive() override { ++platform_.keepAliveCalls; }

private:
    FakePlatform& platform_;
    std::function<int()> count_;
};

}  // namespace

std::unique_ptr<ExportProgress> FakePlatform::StartProgress(HostWindow,
                                                            std::function<int()> countSelection) {
    if (!progress) return nullptr;
    return std::make_unique<FakeProgress>(*this, std::move(countSelection));
}

int FakePlatform::RunFormatDialog(ExportFormat& format) {
    calls.push_back("format");
    formatShown = format;
    if (formatResult != 2) format = formatAnswer;
    return formatResult;
}

bool FakePlatform::ChooseSaveFile(HostWindow, const std::string& initialFolder, std::string& path) {
    calls.push_back("save");
    saveInitialFolder = initialFolder;
    if (saveOk) path = savePath;
    return saveOk;
}

int FakePlatform::AskOverwrite(const std::string& path) {
    calls.push_back("overwrite");
    overwritePath = path;
    return overwriteAnswer;
}

bool FakePlatform::BrowseFolder(HostWindow, const std::string& initialFolder, std::string& folder) {
    calls.push_back("browse");
    browseInitialFolder = initialFolder;
    if (browseOk) folder = browsePath;
    return browseOk;
}

void FakePlatform::ShowMessage(HostWindow, int textId) { messages.push_back(textId); }

bool FakePlatform::FileExists(const std::string& path) { return files.count(path) > 0; }

bool FakePlatform::RemoveFile(const std::string& path) {
    calls.push_back("remove " + path);
    return files.erase(path) > 0;
}

OpenStatus FakePlatform::OpenForAppend(const std::string& path, std::unique_ptr<OutputFile>& file) {
    if (std::count(unwritable.begin(), unwritable.end(), path) ||
        (maxPath && path.size() > maxPath)) {
        return OpenStatus::OpenFailed;
    }
    file = std::make_unique<FakeFile>(files[path], *this);
    return seekFails ? OpenStatus::SeekFailed : OpenStatus::Opened;
}

std::unique_ptr<OutputFile> FakePlatform::CreateTruncated(const std::string& path) {
    if (std::count(unwritable.begin(), unwritable.end(), path) ||
        (maxPath && path.size() > maxPath)) {
        return nullptr;
    }
    files[path].bytes.clear();
    return std::make_unique<FakeFile>(files[path], *this);
}

}  // namespace tessera::testing
