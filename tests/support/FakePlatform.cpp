#include "tests/support/FakePlatform.h"

#include <algorithm>

namespace tessera::testing {

namespace {

// Appends straight into the file; a replacement collects its bytes apart and
// puts them in place on commit.
class FakeTarget : public TargetFile {
  public:
    FakeTarget(FakePlatform& platform, std::string path, TargetMode mode)
        : TargetFile(mode == TargetMode::Append),
          platform_(platform),
          path_(std::move(path)),
          replace_(mode == TargetMode::Replace) {
        if (replace_) return;
        const std::string& old = platform_.files[path_].bytes;
        Started(old.size(), old.substr(old.size() - std::min<size_t>(old.size(), 4)));
    }
    ~FakeTarget() override { Abort(); }

  protected:
    bool Put(const char* data, size_t size) override {
        std::string& bytes = Bytes();
        size_t room =
            platform_.diskSpace > platform_.used ? platform_.diskSpace - platform_.used : 0;
        size_t take = std::min(size, room);
        bytes.append(data, take);
        platform_.used += take;
        return take == size;
    }
    bool CutTo(uint64_t length) override {
        std::string& bytes = Bytes();
        if (length > bytes.size()) return false;
        platform_.used -= bytes.size() - length;
        bytes.resize(length);
        return true;
    }
    bool Finish(bool keep) override {
        if (replace_ && keep) platform_.files[path_].bytes = pending_;
        return true;
    }

  private:
    std::string& Bytes() { return replace_ ? pending_ : platform_.files[path_].bytes; }

    FakePlatform& platform_;
    std::string path_;
    bool replace_;
    std::string pending_;
};

class FakeProgress : public ExportProgress {
  public:
    FakeProgress(FakePlatform& platform, std::function<int()> count)
        : platform_(platform), count_(std::move(count)) {}
    bool Shown() const override { return platform_.continueCalls >= platform_.shownFrom; }
    bool WantsSubject() const override { return Shown(); }
    ExportStop Continue(const ExportReport&) override {
        int call = ++platform_.continueCalls;
        if (Shown() && platform_.countedTotal < 0) platform_.countedTotal = count_();
        return call == platform_.cancelOn    ? ExportStop::Cancel
               : call == platform_.abandonOn ? ExportStop::Abandon
                                             : ExportStop::No;
    }
    void SetSubject(const std::string& subject) override { platform_.subjects.push_back(subject); }

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

bool FakePlatform::Exists(const std::string& path) { return files.count(path) > 0; }

std::unique_ptr<TargetFile> FakePlatform::Open(const std::string& path, TargetMode mode) {
    if (std::count(unwritable.begin(), unwritable.end(), path) ||
        (maxPath && path.size() > maxPath)) {
        return nullptr;
    }
    if (mode == TargetMode::Append && files.count(path) == 0) mode = TargetMode::Replace;
    if (mode == TargetMode::Append && seekFails) return nullptr;
    return std::make_unique<FakeTarget>(*this, path, mode);
}

}  // namespace tessera::testing
