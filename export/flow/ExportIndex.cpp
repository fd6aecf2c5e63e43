#include "export/flow/ExportIndex.h"

#include <memory>

#include "export/conversion/HeaderTextConversion.h"
#include "export/framing/MessageDate.h"
#include "export/mime/AttachmentRule.h"
#include "export/mime/MimePart.h"
#include "export/seams/FileSystem.h"

namespace tessera {

namespace {

std::string DecodedHeader(const MimePart& root, const char* name, ShiftJisConverter& converter) {
    std::unique_ptr<char[]> value(new char[kMaxFoldedHeaderBytes + 1]);
    root.GetHeader(name, value.get(), kMaxFoldedHeaderBytes + 1);
    std::string converted;
    ConvertHeaderText(value.get(), converter, Unmappable::kReference, converted);
    // Folding is no part of the text.
    std::string unfolded;
    for (size_t i = 0; i < converted.size(); ++i) {
        if (converted[i] == '\r' || converted[i] == '\n') continue;
        unfolded += converted[i];
    }
    return unfolded;
}

unsigned CountAttachments(const MimePart& container, bool dropHtml, size_t depth) {
    unsigned count = 0;
    for (const MimePart* part = container.firstChild; part != nullptr; part = part->next) {
        const PartFate fate = FateOf(*part, container, dropHtml);
        if (fate == PartFate::kDrop) ++count;
        if (fate == PartFate::kLookInto && depth < kMaxNestingDepth)
            count += CountAttachments(*part, dropHtml, depth + 1);
    }
    return count;
}

void AppendField(std::string& out, const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) {
        out += text;
        return;
    }
    out += '"';
    for (char c : text) {
        if (c == '"') out += '"';
        out += c;
    }
    out += '"';
}

}  // namespace

IndexRow ReadIndexRow(const MimePart& root, ShiftJisConverter& converter) {
    IndexRow row;
    MessageDate date;
    if (ReadMessageDate(root, date)) row.date = Iso8601(date);
    row.from = DecodedHeader(root, "From", converter);
    row.to = DecodedHeader(root, "To", converter);
    row.subject = DecodedHeader(root, "Subject", converter);
    row.attachments = AttachmentCount(root);
    return row;
}

unsigned AttachmentCount(const MimePart& root) { return CountAttachments(root, false, 1); }

std::string IndexRecord(const IndexRow& row, const NameEncoder& encode) {
    auto text = [&](const std::string& field) { return encode ? encode(field) : field; };
    std::string out;
    AppendField(out, row.fileName);
    out += ',';
    for (const std::string* field : {&row.date, &row.from, &row.to, &row.subject}) {
        AppendField(out, text(*field));
        out += ',';
    }
    out += std::to_string(row.size) + ',' + std::to_string(row.attachments) + "\r\n";
    return out;
}

std::string IndexHeaderRecord() { return "File,Date,From,To,Subject,Size,Attachments\r\n"; }

ExportIndex::ExportIndex(FileSystem& files, std::string path, NameEncoder encode)
    : files_(files), path_(std::move(path)), encode_(std::move(encode)) {}

ExportIndex::~ExportIndex() {
    if (file_) file_->Abort();
}

bool ExportIndex::Open() {
    const bool existed = files_.Exists(path_);
    file_ = files_.Open(path_, existed ? TargetMode::Append : TargetMode::Replace);
    if (!file_) return false;
    const std::string& tail = file_->Tail();
    std::string lead;
    if (tail.empty())
        lead = IndexHeaderRecord();
    else if (tail.back() != '\n')
        lead = "\r\n";  // an old last row without its line break
    file_->BeginMessage();
    if (file_->Write(lead.data(), lead.size()) && file_->EndMessage(true)) return true;
    file_.reset();
    return false;
}

bool ExportIndex::Add(const IndexRow& row) {
    if (!file_) return false;
    const std::string record = IndexRecord(row, encode_);
    file_->BeginMessage();
    const bool written = file_->Write(record.data(), record.size());
    return file_->EndMessage(written);
}

bool ExportIndex::Commit() {
    if (!file_) return false;
    const bool ok = file_->Commit();
    file_.reset();
    return ok;
}

}  // namespace tessera
