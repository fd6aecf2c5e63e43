// A Maildir (the command line's): each message with the bytes of an .eml file,
// no envelope and no quoting, delivered under a unique name into tmp and moved
// into new.
#pragma once

#include "export/framing/MessageFraming.h"

namespace tessera {

class MaildirFraming : public MessageFraming {
  public:
    bool OneFile() const override { return false; }
    const char* Extension() const override { return ""; }
    std::unique_ptr<MaildirDelivery> DeliveryInto(FileSystem& files, const std::string& folder,
                                                  const MaildirIdentity& identity) const override {
        return std::make_unique<MaildirDelivery>(files, folder, identity);
    }
};

}  // namespace tessera
