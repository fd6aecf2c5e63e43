// Delivery into a Maildir: cur, new and tmp made when missing; each message
// written under a unique name in tmp and moved into new when whole, so that
// a reader never sees half a message.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "export/seams/MaildirIdentity.h"
#include "export/seams/TargetFile.h"

namespace tessera {

class FileSystem;

// A unique name by the Maildir convention: "<seconds>.<tag>Q<sequence>.<host>"
// with '/' and ':' of the host written as "\057" and "\072". `tag` tells this
// process apart from others on the host (its process id).
std::string MaildirUniqueName(int64_t seconds, std::string_view tag, unsigned sequence,
                              std::string_view host);

class MaildirDelivery {
  public:
    // `folder` ends in its separator.
    MaildirDelivery(FileSystem& files, std::string folder, MaildirIdentity identity);
    // Makes the folder and its cur, new and tmp; false when one cannot be made.
    bool Prepare();
    // Writes one message through `write` into tmp and moves it into new (its
    // path there set in `delivered`); false (nothing left in tmp or new) when
    // anything failed.
    bool Deliver(const std::function<bool(OutputFile&)>& write, std::string& delivered);

  private:
    FileSystem& files_;
    const std::string folder_;
    const MaildirIdentity identity_;
    unsigned sequence_ = 0;
};

}  // namespace tessera
