#include "export/text/TextSink.h"

namespace tessera {

TextSink::TextSink(size_t bufferBytes)
    : owned_(bufferBytes != 0 ? new char[bufferBytes] : nullptr),
      buffer_(owned_.get()),
      capacity_(bufferBytes) {}

TextSink::TextSink(char* buffer, size_t bufferBytes) : buffer_(buffer), capacity_(bufferBytes) {}

TextSink::~TextSink() = default;

void TextSink::Hand(const char* p, size_t n) {
    if (ok_ && n != 0) ok_ = Deliver(p, n);
}

void TextSink::Overflow(const char* p, size_t n) {
    Hand(buffer_, used_);
    used_ = 0;
    if (n >= capacity_) {
        Hand(p, n);  // no use copying it through the buffer
        return;
    }
    std::memcpy(buffer_, p, n);
    used_ = n;
}

bool TextSink::Flush() {
    Hand(buffer_, used_);
    used_ = 0;
    return ok_;
}

}  // namespace tessera
