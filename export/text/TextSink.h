// Where written-back text goes: gathered in a fixed buffer and handed on in
// large pieces, so that a message is written without ever being held whole.
#pragma once

#include <cstddef>
#include <cstring>
#include <memory>
#include <string>

namespace tessera {

class TextSink {
  public:
    // `bufferBytes` 0 hands every piece on at once.
    explicit TextSink(size_t bufferBytes);
    // Gathers in the caller's `buffer`, which outlives the sink: a buffer kept
    // from message to message is not faulted in again for each.
    TextSink(char* buffer, size_t bufferBytes);
    virtual ~TextSink();
    TextSink(const TextSink&) = delete;
    TextSink& operator=(const TextSink&) = delete;

    void Put(const char* p, size_t n) {
        if (n <= capacity_ - used_) {
            if (n != 0) std::memcpy(buffer_ + used_, p, n);
            used_ += n;
            return;
        }
        Overflow(p, n);
    }
    // Hands on what is still buffered. False when anything could not be handed
    // on; after a failure nothing more is.
    bool Flush();

  protected:
    // Takes n bytes; false when they could not all be taken.
    virtual bool Deliver(const char* p, size_t n) = 0;

  private:
    void Overflow(const char* p, size_t n);
    void Hand(const char* p, size_t n);

    std::unique_ptr<char[]> owned_;
    char* buffer_;
    size_t capacity_;
    size_t used_ = 0;
    bool ok_ = true;
};

// Gathers everything put into one string.
class StringSink : public TextSink {
  public:
    explicit StringSink(std::string& text) : TextSink(0), text_(text) {}

  private:
    bool Deliver(const char* p, size_t n) override {
        text_.append(p, n);
        return true;
    }
    std::string& text_;
};

}  // namespace tessera
