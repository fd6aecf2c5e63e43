#include "export/mime/SignedContent.h"

#include <set>
#include <string_view>
#include <vector>

#include "export/mime/MimePart.h"
#include "export/text/AsciiText.h"
#include "export/text/TextSink.h"

namespace tessera {

namespace {

constexpr std::string_view kClearSignedStart = "-----BEGIN PGP SIGNED MESSAGE-----";
// Blank lines looked past before the clear-signed start line.
constexpr int kLeadingBlankLines = 8;

class HashSink : public TextSink {
  public:
    HashSink() : TextSink(0) {}
    uint64_t Hash() {
        Flush();
        return hash_;
    }

  private:
    bool Deliver(const char* p, size_t n) override {
        for (size_t i = 0; i < n; ++i) {
            hash_ = (hash_ ^ static_cast<unsigned char>(p[i])) * 0x100000001b3ULL;
        }
        return true;
    }
    uint64_t hash_ = 0xcbf29ce484222325ULL;
};

uint64_t HashOf(const MimePart& part, bool bodyOnly) {
    HashSink sink;
    if (bodyOnly) {
        part.body.WriteTo(sink);
    } else {
        part.WriteTo(sink);
    }
    return sink.Hash();
}

bool IsClearSigned(const MimePart& part) {
    if (part.firstChild != nullptr) return false;
    if (!IsTextPart(part)) return false;
    int blanks = 0;
    for (ConstLineCursor line(part.body); line; line.Next()) {
        const std::string_view text = line.Stored();
        if (text.find_first_not_of(" \t\r\n") == std::string_view::npos) {
            if (++blanks > kLeadingBlankLines) return false;
            continue;
        }
        return text.substr(0, kClearSignedStart.size()) == kClearSignedStart;
    }
    return false;
}

}  // namespace

Seal SealOf(const MimePart& part) {
    if (EqualsIgnoreCase(part.type, "multipart")) {
        if (EqualsIgnoreCase(part.subtype, "signed")) return Seal::kSigned;
        if (EqualsIgnoreCase(part.subtype, "encrypted")) return Seal::kEncrypted;
        return Seal::kNone;
    }
    if (EqualsIgnoreCase(part.type, "application")) {
        const bool pkcs7 = EqualsIgnoreCase(part.subtype, "pkcs7-mime") ||
                           EqualsIgnoreCase(part.subtype, "x-pkcs7-mime");
        return pkcs7 ? Seal::kEncrypted : Seal::kNone;
    }
    return IsClearSigned(part) ? Seal::kClearSigned : Seal::kNone;
}

SignedContent::SignedContent(const MimePart& root) {
    std::vector<const MimePart*> pending{&root};
    while (!pending.empty()) {
        const MimePart* part = pending.back();
        pending.pop_back();
        if (part != &root && part->next) pending.push_back(part->next);
        const Seal seal = SealOf(*part);
        if (seal == Seal::kSigned && part->firstChild != nullptr) {
            prints_.push_back({part->firstChild, false, HashOf(*part->firstChild, false)});
        } else if (seal == Seal::kClearSigned) {
            prints_.push_back({part, true, HashOf(*part, true)});
        } else if (seal == Seal::kNone && part->firstChild) {
            pending.push_back(part->firstChild);
        }
    }
}

bool SignedContent::Changed(const MimePart& root) const {
    // Parts left out since (an attachment pruned) are gone, not to be read:
    // signed content that went with them changed too.
    std::set<const MimePart*> present;
    std::vector<const MimePart*> pending{&root};
    while (!pending.empty()) {
        const MimePart* part = pending.back();
        pending.pop_back();
        present.insert(part);
        if (part != &root && part->next) pending.push_back(part->next);
        if (part->firstChild) pending.push_back(part->firstChild);
    }
    for (const Print& print : prints_) {
        if (!present.count(print.part)) return true;
        if (HashOf(*print.part, print.bodyOnly) != print.hash) return true;
    }
    return false;
}

}  // namespace tessera
