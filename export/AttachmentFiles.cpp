#include "export/AttachmentFiles.h"

#include <cstdio>
#include <memory>
#include <vector>

#include "export/AsciiText.h"
#include "export/AttachmentRule.h"
#include "export/CharsetLabel.h"
#include "export/FileNaming.h"
#include "export/FileSystem.h"
#include "export/HeaderTextConversion.h"
#include "export/LineList.h"
#include "export/MimePart.h"
#include "export/PartLabels.h"
#include "export/ShiftJisConverter.h"
#include "export/TransferDecoding.h"

namespace tessera {

namespace {

constexpr size_t kMaxContinuations = 64;
constexpr size_t kNameBufferSize = 1024;

// The value of the first header `name`, unfolded.
std::string HeaderValue(const MimePart& part, const char* name) {
    std::vector<char> value(kMaxFoldedHeaderBytes + 1);
    part.GetHeader(name, value.data(), value.size());
    std::string out;
    for (const char* p = value.data(); *p != '\0'; ++p) {
        if (*p != '\r' && *p != '\n') out += *p;
    }
    return out;
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

std::string PercentDecoded(std::string_view text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        const int high = text[i] == '%' && i + 2 < text.size() ? HexValue(text[i + 1]) : -1;
        const int low = high >= 0 ? HexValue(text[i + 2]) : -1;
        if (low < 0) {
            out += text[i];
            continue;
        }
        out += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return out;
}

// RFC 2231: "base*" (charset'language'%XX), or the segments "base*0",
// "base*1*", ... joined; only the first names the charset. found is false when
// none is there.
std::string ExtendedParameter(const std::string& value, const std::string& base,
                              ShiftJisConverter& converter, bool& found) {
    std::vector<std::pair<std::string, bool>> segments;  // text, percent-encoded
    std::string single = HeaderParameter(value, base + "*");
    if (!single.empty()) segments.emplace_back(single, true);
    for (size_t i = 0; single.empty() && i < kMaxContinuations; ++i) {
        const std::string stem = base + "*" + std::to_string(i);
        std::string segment = HeaderParameter(value, stem + "*");
        const bool encoded = !segment.empty();
        if (!encoded) segment = HeaderParameter(value, stem);
        if (segment.empty()) break;
        segments.emplace_back(segment, encoded);
    }
    found = !segments.empty();
    std::string bytes, charset;
    for (size_t i = 0; i < segments.size(); ++i) {
        std::string_view text = segments[i].first;
        if (i == 0 && segments[i].second) {
            const size_t quote = text.find('\'');
            const size_t second =
                quote == std::string_view::npos ? quote : text.find('\'', quote + 1);
            if (second != std::string_view::npos) {
                charset = std::string(text.substr(0, quote));
                text = text.substr(second + 1);
            }
        }
        bytes += segments[i].second ? PercentDecoded(text) : std::string(text);
    }
    std::string out;
    const JapaneseCharset japanese = IdentifyJapaneseCharset(charset);
    if (japanese != JapaneseCharset::kNone &&
        converter.Append(japanese, bytes, Unmappable::kUnderscore, out)) {
        return out;
    }
    ConvertHeaderText(bytes, converter, Unmappable::kUnderscore, out);
    return out;
}

std::string NamedParameter(const MimePart& part, const char* header, const std::string& base,
                           ShiftJisConverter& converter) {
    const std::string value = HeaderValue(part, header);
    bool found = false;
    std::string name = ExtendedParameter(value, base, converter, found);
    if (found) return name;
    std::string converted;
    ConvertHeaderText(HeaderParameter(value, base), converter, Unmappable::kUnderscore, converted);
    return converted;
}

std::string BodyBytes(const MimePart& part, bool enclosed, bool& decoded) {
    std::string text;
    for (ConstLineCursor e(part.body); e; e.Next()) text.append(e->text, e->length);
    std::string out;
    switch (ReadPartLabels(part).encoding) {
        case TransferEncoding::kBase64:
            decoded = AppendBase64Bytes(text, out);
            break;
        case TransferEncoding::kQuotedPrintable:
            decoded = AppendQuotedPrintableBytes(text, out);
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
    if (lastBreakIsFraming && out.size() >= 2 && out.compare(out.size() - 2, 2, "\r\n") == 0)
        out.resize(out.size() - 2);
    return out;
}

bool Visit(MimePart* part, bool leavingOut, bool dropHtml, size_t depth,
           ShiftJisConverter& converter, const std::function<bool(AttachmentFile&)>& take) {
    for (; part != nullptr; part = part->next) {
        const bool container = part->firstChild != nullptr;
        // HTML beside its plain text is left out as an alternative, not a file.
        const bool html =
            EqualsIgnoreCase(part->type, "text") && EqualsIgnoreCase(part->subtype, "html");
        const bool wanted = leavingOut ? FateOf(*part, dropHtml) == PartFate::kDrop && !html
                                       : !container && ReadPartLabels(*part).isFile;
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
            file.bytes = BodyBytes(*part, depth > 0, file.decoded);
            if (!take(file)) return false;
            continue;
        }
        if (container && depth < kMaxNestingDepth &&
            !Visit(part->firstChild, leavingOut, dropHtml, depth + 1, converter, take)) {
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
    SubjectToFileName(name.c_str(), buffer.data(), buffer.size());
    return buffer.data();
}

void ForEachAttachment(MimePart& root, bool leavingOut, ShiftJisConverter& converter,
                       const std::function<bool(AttachmentFile&)>& take) {
    if (root.firstChild == nullptr) {
        // A message that is one part: only a file when kept whole.
        if (!leavingOut) Visit(&root, false, false, 0, converter, take);
        return;
    }
    Visit(root.firstChild, leavingOut, DropsHtml(root), 1, converter, take);
}

std::string SavedAttachmentLine(std::string_view fileName) {
    // "[添付ファイル: name]"
    std::string line = "[\x93\x59\x95\x74\x83\x74\x83\x40\x83\x43\x83\x8B: ";
    line.append(fileName.data(), fileName.size());
    line += "]\r\n";
    return line;
}

}  // namespace tessera

namespace tessera {

namespace {

// The part now says in a line where its content went.
void StandIn(MimePart& part, const std::string& line) {
    const char* label = ShiftJisLabel(MeasureShiftJis(line));
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
                         FileSystem& files, const AttachmentTarget& target, int& undated) {
    const std::string& eml = target.emlName;
    const std::string folder = target.folder + eml.substr(0, eml.size() - 4) + target.folder.back();
    NameRegistry names;
    bool madeFolder = false;
    bool ok = true;
    ForEachAttachment(root, leavingOut, converter, [&](AttachmentFile& file) {
        if (!madeFolder && !files.MakeFolder(folder.substr(0, folder.size() - 1))) {
            ok = false;
            return false;
        }
        madeFolder = true;
        const size_t dot = file.name.rfind('.');
        const bool hasExtension = dot != std::string::npos && dot > 0;
        const std::string stem = hasExtension ? file.name.substr(0, dot) : file.name;
        const std::string extension = hasExtension ? file.name.substr(dot) : std::string();
        const std::string onDisk =
            UniqueFileName(names, stem, extension, folder.size(), target.maxPath, target.encode);
        if (!WriteFile(files, folder + onDisk, file.bytes)) {
            ok = false;
            return false;
        }
        if (target.utcTime && !files.SetFileTime(folder + onDisk, *target.utcTime)) {
            ++undated;
            files.TakeFailure();
        }
        // The message is Shift-JIS: a name recoded for this system is shown as it came.
        const bool recoded = target.encode && target.encode(file.name) != file.name;
        if (leavingOut) StandIn(*file.part, SavedAttachmentLine(recoded ? file.name : onDisk));
        return true;
    });
    return ok;
}

}  // namespace tessera
