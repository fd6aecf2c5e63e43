#include "export/seams/TargetFile.h"

#include <utility>

namespace tessera {

void TargetFile::Started(uint64_t length, std::string tail) {
    startLength_ = length_ = mark_ = length;
    tail_ = std::move(tail);
}

bool TargetFile::Out(const char* data, size_t size) {
    if (!Put(data, size)) {
        failed_ = true;
        return false;
    }
    length_ += size;
    return true;
}

bool TargetFile::Send() {
    bool ok = held_.empty() || Out(held_.data(), held_.size());
    held_.clear();
    return ok;
}

bool TargetFile::Write(const char* data, size_t size) {
    if (!open_ || failed_) return false;
    if (!inMessage_ || !holds_) return Out(data, size);
    if (held_.size() + size <= kHeldBytes) {
        held_.append(data, size);
        return true;
    }
    // Too large to hold: the message goes out in pieces, still cut back on failure.
    if (!Send()) return false;
    if (size > kHeldBytes) return Out(data, size);
    held_.assign(data, size);
    return true;
}

void TargetFile::BeginMessage() {
    if (inMessage_) EndMessage(false);
    inMessage_ = true;
    failed_ = false;
    mark_ = length_;
}

bool TargetFile::EndMessage(bool complete) {
    bool ok = open_ && complete && !failed_ && Send();
    held_.clear();
    inMessage_ = false;
    failed_ = false;
    if (ok || !open_) return ok;
    // A failed write may have left part of its bytes: cut back whatever is there.
    if (CutTo(mark_)) length_ = mark_;
    return false;
}

bool TargetFile::Commit() {
    if (!open_) return false;
    if (inMessage_) EndMessage(false);
    open_ = false;
    return Finish(true);
}

void TargetFile::Abort() {
    if (!open_) return;
    held_.clear();
    inMessage_ = false;
    CutTo(startLength_);
    open_ = false;
    Finish(false);
}

}  // namespace tessera
