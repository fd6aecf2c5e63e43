// index.csv beside the .eml files: one RFC 4180 row per exported message, so
// that a spreadsheet lists what was exported. Written as a target like every
// other: beside the old file and renamed over it, an old index kept whole.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "export/framing/FileNaming.h"
#include "export/seams/TargetFile.h"

namespace tessera {

class FileSystem;
class MimePart;
class ShiftJisConverter;

constexpr const char kIndexFileName[] = "index.csv";

// What a row says of one message; texts in Shift-JIS.
struct IndexRow {
    std::string fileName;  // as written on disk (already in the system's bytes)
    std::string date;      // ISO 8601 with the sender's offset; empty without a usable Date
    std::string from;
    std::string to;
    std::string subject;
    uint64_t size = 0;         // bytes of the written file
    unsigned attachments = 0;  // parts that count as attachments
};

// The row of a parsed message (headers decoded, characters Shift-JIS lacks as
// references; attachments counted when its body was parsed too); the caller
// sets fileName and size.
IndexRow ReadIndexRow(const MimePart& root, ShiftJisConverter& converter);

// The parts of a whole parsed message that leaving attachments out would
// leave out (HTML text kept): the index's count of attachments.
unsigned AttachmentCount(const MimePart& root);

// One RFC 4180 record ended by CR LF: a field holding a comma, a quote, CR or
// LF is quoted, its quotes doubled. `encode` gives the bytes of the other text
// fields (the locale's set in the CLI); empty keeps Shift-JIS (code page 932).
std::string IndexRecord(const IndexRow& row, const NameEncoder& encode = nullptr);
// The first record of a new index.
std::string IndexHeaderRecord();

class ExportIndex {
  public:
    ExportIndex(FileSystem& files, std::string path, NameEncoder encode = nullptr);
    ~ExportIndex();
    // Opens the index: rows are appended to an old one, a new one starts with
    // the header record. False when it cannot be opened.
    bool Open();
    // Writes one row; false when the write failed.
    bool Add(const IndexRow& row);
    // Puts the index in place; false when that failed (an old index stays as it was).
    bool Commit();

  private:
    FileSystem& files_;
    const std::string path_;
    const NameEncoder encode_;
    std::unique_ptr<TargetFile> file_;
};

}  // namespace tessera
