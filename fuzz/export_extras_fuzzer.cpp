// Whole messages through what the export's extras read of them: the
// attachment walk (names, decoded bytes, the line left in place of a part),
// name patterns and index rows. Names stay usable, records stay one record.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "export/conversion/ShiftJisConverter.h"
#include "export/flow/AttachmentFiles.h"
#include "export/flow/ExportIndex.h"
#include "export/flow/NamePattern.h"
#include "export/mime/LineReader.h"
#include "export/mime/MimePart.h"
#include "fuzz/FuzzHost.h"

using tessera::fuzzing::Check;

namespace {

constexpr size_t kMaxInput = 1 << 20;

void CheckName(const std::string& name) {
    Check(!name.empty() && name.size() < 1024);
    for (char c : name) Check(c != '/' && c != '\0' && c != '\r' && c != '\n');
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1 || size > kMaxInput) return -1;
    const bool leavingOut = data[0] & 1;
    const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
    tessera::MimePart root;
    const char* cursor = text.c_str();
    root.Parse(cursor);
    static const tessera::HostApi api = tessera::fuzzing::FuzzHostApi();
    tessera::ShiftJisConverter converter(api);

    const tessera::NameFields fields =
        tessera::ReadNameFields(root, converter, tessera::CalendarTime(), 1);
    CheckName(tessera::PatternFileName("%Y%m%d %H%M %s %f %a %n %%", fields));
    const std::string record = tessera::IndexRecord(tessera::ReadIndexRow(root, converter));
    Check(record.size() >= 2 && record.compare(record.size() - 2, 2, "\r\n") == 0);

    size_t bytes = 0;
    const std::string_view lineBreak =
        tessera::SourceLineBreak(text.data(), text.data() + text.size());
    tessera::ForEachAttachment(root, leavingOut, converter, lineBreak,
                               [&](tessera::AttachmentFile& file) {
                                   CheckName(file.name);
                                   bytes += file.bytes.size();
                                   return true;
                               });
    // Decoding never makes more than the stored lines (a lone CR or LF becomes the source's
    // first break, two bytes at most).
    Check(bytes <= 2 * text.size());
    return 0;
}
