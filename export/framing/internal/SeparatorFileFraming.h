// One text file, a separator line after every message.
#pragma once

#include <string>

#include "export/framing/MessageFraming.h"

namespace tessera {

class SeparatorFileFraming : public MessageFraming {
  public:
    explicit SeparatorFileFraming(std::string separator) : separator_(std::move(separator)) {}

    bool OneFile() const override { return true; }
    const char* Extension() const override { return ".txt"; }
    void WriteTrailer(bool lineEnded, TextSink& sink) const override;

  private:
    const std::string separator_;  // none written when empty
};

}  // namespace tessera
