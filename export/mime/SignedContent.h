// Signed and encrypted mail: the parts a reader verifies or decrypts as they
// came, and whether an export changed the bytes a signature covers.
#pragma once

#include <cstdint>
#include <vector>

namespace tessera {

class MimePart;

enum class Seal {
    kNone,
    kSigned,       // multipart/signed: its first part is what the signature covers
    kClearSigned,  // a text whose body is an inline clear-signed message
    kEncrypted,    // multipart/encrypted, application/(x-)pkcs7-mime
};

Seal SealOf(const MimePart& part);

// The signed bytes of a message, fingerprinted when it is made, to tell
// afterwards whether anything changed them.
class SignedContent {
  public:
    explicit SignedContent(const MimePart& root);
    // True when the bytes under any signature in `root`, the tree this was made
    // of, differ from when this was made, or their part has left the tree.
    bool Changed(const MimePart& root) const;

  private:
    struct Print {
        const MimePart* part;
        bool bodyOnly;
        uint64_t hash;
    };
    std::vector<Print> prints_;
};

}  // namespace tessera
