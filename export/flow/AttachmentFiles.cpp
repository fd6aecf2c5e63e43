#include "export/flow/AttachmentFiles.h"

#include <cstdio>
#include <memory>
#include <vector>

#include "export/charset/CharsetLabel.h"
#include "export/charset/ShiftJisToUtf8.h"
#include "export/charset/TransferDecoding.h"
#include "export/conversion/HeaderTextConversion.h"
#include "export/conversion/ShiftJisConverter.h"
#include "export/framing/FileNaming.h"
#include "export/mime/AttachmentRule.h"
#include "export/mime/HeaderParameters.h"
#include "export/mime/LineList.h"
#include "export/mime/MimePart.h"
#include "export/mime/PartLabels.h"
#include "export/seams/FileSystem.h"
#include "export/text/AsciiText.h"

namespace tessera {

namespace {

constexpr size_t kNameBufferSize = 1024;

// The value of the first header `name`, unfolded.
std::string UnfoldedHeader(const MimePart& part, const char* name) {
    std::vector<char> value(kMaxFoldedHeaderBytes + 1);
    part.GetHeader(name, value.data(), value.size());
    std::string out;
    for (const char* p = value.data(); *p != '\0'; ++p) {
        if (*p != '\r' && *p != '\n') out += *p;
    }
    return out;
}

std::string NamedParameter(const MimePart& part, const char* header, std::string_view name,
                           ShiftJisConverter& converter) {
    const ParameterValue parameter =
        FindParameter(ParseHeaderValue(UnfoldedHeader(part, header)), name);
    std::string out;
    if (!parameter.found) return out;
    const JapaneseCharset japanese = IdentifyJapaneseCharset(parameter.charset);
    if (japanese != JapaneseCharset::kNone &&
        converter.Append(japanese, parameter.value, Unmappable::kUnderscore, out)) {
        return out;
    }
    out.clear();
    ConvertHeaderText(parameter.value, converter, Unmappable::kUnderscore, out);
    return out;
}

// The body with its transfer encoding undone, its lines ended by `lineBreak`.
std::string BodyBytes(const MimePart& part, bool enclosed, std::string_view lineBreak,
                      bool& decoded) {
    std::string text;
    for (ConstLineCursor e(part.body); e; e.Next()) {
        const std::string_view line = e.Stored();
        text.append(line.data(), line.size());
        if (e.EndsInCrLf()) text.append(lineBreak.data(), lineBreak.size());
    }
    std::string out;
    switch (ReadPartLabels(part).encoding) {
        case TransferEncoding::kBase64:
            decoded = AppendBase64Bytes(text, out);
            break;
        case TransferEncoding::kQuotedPrintable:
            decoded = AppendQuotedPrintableBytes(text, out, lineBreak);
            break;
        case TransferEncoding::kIdentity:
            decoded = true;
            out.swap(text);
            break;
        case TransferEncoding::kOther:
            decoded = false;
            break;
    }
    if (!decoded) out.swap(text);
    // The line break before a delimiter belongs to the delimiter.
    const bool lastBreakIsFraming =
        enclosed && (!decoded || ReadPartLabels(part).encoding != TransferEncoding::kBase64);
    const size_t n = lineBreak.size();
    if (lastBreakIsFraming && out.size() >= n && out.compare(out.size() - n, n, lineBreak) == 0)
        out.resize(out.size() - n);
    return out;
}

// The parts from `part` on, siblings of one `container` (null: the root alone).
bool Visit(MimePart* part, const MimePart* container, bool leavingOut, bool dropHtml, size_t depth,
           ShiftJisConverter& converter, std::string_view lineBreak,
           const std::function<bool(AttachmentFile&)>& take) {
    for (; part != nullptr; part = part->next) {
        const bool hasParts = part->firstChild != nullptr;
        // HTML beside its plain text is left out as an alternative, not a file.
        const bool html =
            EqualsIgnoreCase(part->type, "text") && EqualsIgnoreCase(part->subtype, "html");
        const PartFate fate =
            container ? FateOf(*part, *container, dropHtml) : PartFate::kKeepWhole;
        const bool wanted = leavingOut ? fate == PartFate::kDrop && !html
                                       : !hasParts && ReadPartLabels(*part).isFile;
        // What leaving out keeps whole (encrypted, a signature, forwarded mail) keeps its files.
        const bool lookInto =
            hasParts && (!leavingOut || fate == PartFate::kLookInto || fate == PartFate::kKeep);
        if (wanted) {
            AttachmentFile file;
            file.part = part;
            file.name = AttachmentName(*part, converter);
            // A forwarded message opens as one when its name says so.
            if (EqualsIgnoreCase(part->type, "message") &&
                EqualsIgnoreCase(part->subtype, "rfc822") &&
                file.name.find('.') == std::string::npos) {
                file.name += ".eml";
            }
            file.bytes = BodyBytes(*part, depth > 0, lineBreak, file.decoded);
            if (!take(file)) return false;
            continue;
        }
        if (lookInto && depth < kMaxNestingDepth &&
            !Visit(part->firstChild, part, leavingOut, dropHtml, depth + 1, converter, lineBreak,
                   take)) {
            return false;
        }
    }
    return true;
}

}  // namespace

std::string AttachmentName(const MimePart& part, ShiftJisConverter& converter) {
    std::string name = NamedParameter(part, "Content-Disposition", "filename", converter);
    if (name.empty()) name = NamedParameter(part, "Content-Type", "name", converter);
    std::vector<char> buffer(kNameBufferSize);
    SubjectToFileName(name.c_str(), buffer.data(), buffer.size(), converter.Target());
    return buffer.data();
}

void ForEachAttachment(MimePart& root, bool leavingOut, ShiftJisConverter& converter,
                       std::string_view lineBreak,
                       const std::function<bool(AttachmentFile&)>& take) {
    if (root.firstChild == nullptr) {
        // A message that is one part: only a file when kept whole.
        if (!leavingOut) Visit(&root, nullptr, false, false, 0, converter, lineBreak, take);
        return;
    }
    Visit(root.firstChild, &root, leavingOut, DropsHtml(root), 1, converter, lineBreak, take);
}

std::string SavedAttachmentLine(std::string_view fileName, TargetCharset charset) {
    // "[添付ファイル: name]"
    std::string line = "[\x93\x59\x95\x74\x83\x74\x83\x40\x83\x43\x83\x8B: ";
    std::string utf8;
    if (charset == TargetCharset::kUtf8 && AppendShiftJisAsUtf8(line, utf8)) line.swap(utf8);
    line.append(fileName.data(), fileName.size());
    line += "]\r\n";
    return line;
}

}  // namespace tessera

namespace tessera {

namespace {

// The part now says in a line (in `made`) where its content went, in the
// export's target charset.
void StandIn(MimePart& part, std::string line, TargetCharset made, TargetCharset target) {
    const char* label =
        made == TargetCharset::kUtf8 ? "UTF-8" : ShiftJisLabel(MeasureShiftJis(line));
    std::string utf8;
    if (made == TargetCharset::kShiftJis && target == TargetCharset::kUtf8 &&
        AppendShiftJisAsUtf8(line, utf8)) {
        line.swap(utf8);
        label = "UTF-8";
    }
    const std::string header =
        std::string("Content-Type: text/plain; charset=") + (label ? label : "MS932") + "\r\n";
    DestroyPartChain(part.firstChild);
    part.firstChild = nullptr;
    part.SetBoundary(nullptr, 0);
    std::snprintf(part.type, sizeof part.type, "text");
    std::snprintf(part.subtype, sizeof part.subtype, "plain");
    part.headers.Clear();
    part.headers.Append(header.data(), header.size());
    part.headers.Append("\r\n", 2);
    part.body.Clear();
    part.body.Append(line.data(), line.size());
}

bool WriteFile(FileSystem& files, const std::string& path, const std::string& bytes) {
    std::unique_ptr<TargetFile> file = files.Open(path, TargetMode::NewName);
    if (!file) return false;
    file->BeginMessage();
    const bool written = file->Write(bytes.data(), bytes.size());
    if (!file->EndMessage(written)) {
        file->Abort();
        return false;
    }
    return file->Commit();
}

}  // namespace

bool SaveAttachmentFiles(MimePart& root, bool leavingOut, ShiftJisConverter& converter,
                         FileSystem& files, const AttachmentTarget& target,
                         AttachmentTally& tally) {
    const std::string& eml = target.emlName;
    const std::string folder = target.folder + eml.substr(0, eml.size() - 4) + target.folder.back();
    bool madeFolder = tally.saved > 0;
    bool ok = true;
    ForEachAttachment(root, leavingOut, converter, target.lineBreak, [&](AttachmentFile& file) {
        if (!madeFolder && !files.MakeFolder(folder.substr(0, folder.size() - 1))) {
            ok = false;
            return false;
        }
        madeFolder = true;
        const size_t dot = file.name.rfind('.');
        const bool hasExtension = dot != std::string::npos && dot > 0;
        const std::string stem = hasExtension ? file.name.substr(0, dot) : file.name;
        const std::string extension = hasExtension ? file.name.substr(dot) : std::string();
        const std::string onDisk = UniqueFileName(tally.names, stem, extension, folder.size(),
                                                  target.maxPath, target.encode, target.names);
        if (!WriteFile(files, folder + onDisk, file.bytes)) {
            ok = false;
            return false;
        }
        if (target.utcTime && !files.SetFileTime(folder + onDisk, *target.utcTime)) {
            ++tally.undated;
            files.TakeFailure();
        }
        // The line is in the names' charset: a name recoded for this system is
        // shown as it came.
        const bool recoded = target.encode && target.encode(file.name) != file.name;
        ++tally.saved;
        if (leavingOut) {
            StandIn(*file.part, SavedAttachmentLine(recoded ? file.name : onDisk, target.names),
                    target.names, target.text);
        }
        return true;
    });
    return ok;
}

}  // namespace tessera
