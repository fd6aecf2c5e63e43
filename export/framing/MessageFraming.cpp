#include "export/framing/MessageFraming.h"

#include "export/framing/internal/EmlFilesFraming.h"
#include "export/framing/internal/MaildirFraming.h"
#include "export/framing/internal/MboxFileFraming.h"
#include "export/framing/internal/SeparatorFileFraming.h"
#include "export/text/TextSink.h"

namespace tessera {

std::string MessageFraming::AppendLeadIn(const std::string& tail) const {
    return tail.empty() || tail.back() == '\n' ? std::string() : "\r\n";
}

void MessageFraming::WriteTrailer(bool lineEnded, TextSink& sink) const {
    if (lineEnded) sink.Put("\r\n", 2);
}

std::unique_ptr<MessageFraming> FramingFor(const ExportFormat& format,
                                           const CalendarTime& exportTime) {
    switch (static_cast<SaveType>(format.SaveType)) {
        case SaveType::Mbox:
            return std::make_unique<MboxFileFraming>(exportTime,
                                                     format.Target == TargetCharset::kUtf8);
        case SaveType::Eml:
            return std::make_unique<EmlFilesFraming>();
        case SaveType::Separator:
            return std::make_unique<SeparatorFileFraming>(format.Separator);
        case SaveType::Maildir:
            return std::make_unique<MaildirFraming>();
    }
    return nullptr;
}

}  // namespace tessera
