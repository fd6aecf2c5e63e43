#include "export/framing/internal/SeparatorFileFraming.h"

#include "export/text/TextSink.h"

namespace tessera {

void SeparatorFileFraming::WriteTrailer(bool lineEnded, TextSink& sink) const {
    MessageFraming::WriteTrailer(lineEnded, sink);
    if (separator_.empty()) return;
    sink.Put(separator_.data(), separator_.size());
    sink.Put("\r\n", 2);
}

}  // namespace tessera
