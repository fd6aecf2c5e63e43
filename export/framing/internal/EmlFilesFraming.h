// One .eml file per message, in a folder, each named after its Subject.
#pragma once

#include "export/framing/MessageFraming.h"

namespace tessera {

class EmlFilesFraming : public MessageFraming {
  public:
    bool OneFile() const override { return false; }
    const char* Extension() const override { return ".eml"; }
};

}  // namespace tessera
