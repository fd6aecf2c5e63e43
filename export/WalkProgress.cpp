#include "export/WalkProgress.h"

namespace tessera {

WalkProgress::WalkProgress(std::unique_ptr<ExportProgress> progress, Namer namer)
    : progress_(std::move(progress)), namer_(std::move(namer)) {}

WalkProgress::~WalkProgress() { End(); }

bool WalkProgress::Continue(ExportReport& report) {
    named_ = false;
    if (!progress_ || progress_->Continue(report)) return true;
    report.cancelled = true;
    return false;
}

void WalkProgress::SetSubject(const std::string& subject) {
    named_ = true;
    if (progress_) progress_->SetSubject(subject);
}

bool WalkProgress::End() {
    if (progress_) {
        shown_ = progress_->Shown();
        progress_.reset();
    }
    return shown_;
}

void WalkProgress::Parsed(MimePart& root) {
    // Naming costs host calls: only when it will be seen, once per message.
    if (!progress_ || named_ || !progress_->WantsSubject()) return;
    std::string name;
    if (namer_(root, name)) SetSubject(name);
}

void WalkProgress::Working() {
    if (progress_) progress_->KeepAlive();
}

}  // namespace tessera
