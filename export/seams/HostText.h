// Owner of one text the host handed out: released once through the host's
// free, whatever way the scope is left.
#pragma once

#include "export/seams/HostApi.h"

namespace tessera {

class HostText {
  public:
    HostText(const HostApi& host, char* text) : host_(host), text_(text) {}
    ~HostText() {
        if (text_) host_.Free(text_);
    }
    HostText(const HostText&) = delete;
    HostText& operator=(const HostText&) = delete;

    char* get() const { return text_; }
    explicit operator bool() const { return text_ != nullptr; }
    // Releases the text held and takes `text` instead.
    void reset(char* text) {
        if (text_) host_.Free(text_);
        text_ = text;
    }

  private:
    const HostApi& host_;
    char* text_;
};

}  // namespace tessera
