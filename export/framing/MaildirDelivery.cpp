#include "export/framing/MaildirDelivery.h"

#include <memory>

#include "export/seams/FileSystem.h"

namespace tessera {

std::string MaildirUniqueName(int64_t seconds, std::string_view tag, unsigned sequence,
                              std::string_view host) {
    std::string name =
        std::to_string(seconds) + "." + std::string(tag) + "Q" + std::to_string(sequence) + ".";
    for (char c : host) {
        if (c == '/')
            name += "\\057";
        else if (c == ':')
            name += "\\072";
        else
            name += c;
    }
    return name;
}

MaildirDelivery::MaildirDelivery(FileSystem& files, std::string folder, MaildirIdentity identity)
    : files_(files), folder_(std::move(folder)), identity_(std::move(identity)) {}

bool MaildirDelivery::Prepare() {
    const std::string top = folder_.substr(0, folder_.size() - 1);
    if (!files_.MakeFolder(top)) return false;
    for (const char* sub : {"cur", "new", "tmp"}) {
        if (!files_.MakeFolder(folder_ + sub)) return false;
    }
    return true;
}

bool MaildirDelivery::Deliver(const std::function<bool(OutputFile&)>& write,
                              std::string& delivered) {
    const char separator = folder_.back();
    std::string name;
    // A name taken (another writer in the same second) is passed over.
    do {
        name = MaildirUniqueName(identity_.started, identity_.process, ++sequence_, identity_.host);
    } while (files_.Exists(folder_ + "tmp" + separator + name) ||
             files_.Exists(folder_ + "new" + separator + name));
    const std::string temporary = folder_ + "tmp" + separator + name;
    std::unique_ptr<TargetFile> file = files_.Open(temporary, TargetMode::NewName);
    if (!file) return false;
    file->BeginMessage();
    if (!file->EndMessage(write(*file))) {
        file->Abort();
        return false;
    }
    if (!file->Commit()) return false;
    delivered = folder_ + "new" + separator + name;
    if (files_.Move(temporary, delivered)) return true;
    files_.Remove(temporary);
    return false;
}

}  // namespace tessera
