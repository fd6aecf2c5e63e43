// Messages from an mbox, or from .eml and Maildir files, exported to an mbox:
// Tessera's mbox reader finds exactly the messages written, each with the
// envelope line of Tessera's writer, and each unquotes to the .eml export of
// the same message, whatever "From " lines its header blocks and bodies hold.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "export/framing/MessageFraming.h"
#include "export/text/AsciiText.h"
#include "export/text/TextSink.h"
#include "fuzz/FuzzHost.h"
#include "mailstore/MboxFraming.h"
#include "mailstore/MboxSplitter.h"
#include "tests/support/EngineInternals.h"

using tessera::fuzzing::Check;

namespace {

constexpr size_t kMaxInput = 1 << 20;
constexpr size_t kMaxMessages = 16;
const char* const kMessageCharsets[] = {"", "iso-2022-jp", "euc-jp", "utf-8"};

// The input's messages, while it runs: nothing of one input outlives it, so
// libFuzzer sees as many frees as allocations and never stops to look for leaks.
const std::vector<std::string>* messages = nullptr;
const char* messageCharset = "";

char* GetSource(const char* id) {
    const size_t index = std::strtoul(id, nullptr, 10);
    return index < messages->size() ? tessera::fuzzing::Buffer((*messages)[index]) : nullptr;
}

int GetCharSet(const char*, char* buffer, int size) {
    const std::string charset = messageCharset;
    const size_t n = std::min(charset.size(), static_cast<size_t>(size));
    std::memcpy(buffer, charset.data(), n);
    buffer[n] = '\0';
    return static_cast<int>(n);
}

class StringFile : public tessera::OutputFile {
  public:
    bool Write(const char* data, size_t size) override {
        bytes.append(data, size);
        return true;
    }
    std::string bytes;
};

// Where the messages of an mbox lie, read a line at a time: a message starts
// after an envelope line and ends before the next one, or before the blank
// line in front of it.
std::vector<std::pair<uint64_t, uint64_t>> SplitLineByLine(const std::string& box) {
    std::vector<std::pair<uint64_t, uint64_t>> found;
    size_t previous = 0, body = 0;
    bool previousBlank = false, inMessage = false;
    for (size_t start = 0; start < box.size();) {
        const size_t lf = box.find('\n', start);
        const size_t next = lf == std::string::npos ? box.size() : lf + 1;
        const char* line = box.data() + start;
        if (tessera::IsEnvelopeLine(line, next - start)) {
            const size_t end = previousBlank ? previous : start;
            if (inMessage) found.emplace_back(body, end - body);
            inMessage = true;
            body = next;
            previousBlank = false;
        } else {
            previousBlank = tessera::IsBlankLine(line, next - start);
        }
        previous = start;
        start = next;
    }
    const size_t end = previousBlank ? previous : box.size();
    if (inMessage) found.emplace_back(body, end - body);
    return found;
}

// The messages of an mbox as Tessera's reader gives them to the host.
std::vector<std::string> ReadMbox(const std::string& box, std::vector<bool>* tesseraShaped) {
    std::vector<std::string> found;
    std::vector<std::pair<uint64_t, uint64_t>> where;
    std::vector<bool> nuls;
    auto publish = [&](uint64_t offset, uint64_t length, tessera::MboxSplitter::Marks marks) {
        where.emplace_back(offset, length);
        nuls.push_back(marks.nul);
        const std::string raw = box.substr(offset, length);
        found.push_back(tessera::UnquoteFromLines(raw, marks.anyCaseFrom));
        if (tesseraShaped) tesseraShaped->push_back(marks.anyCaseFrom);
        // The reader skips the scans these marks say would find nothing.
        Check(marks.quoted || found.back() == raw);
        Check(marks.nul == (raw.find('\0') != std::string::npos));
    };
    tessera::MboxSplitter splitter;
    splitter.Feed(box.data(), box.data() + box.size(), publish);
    splitter.Finish(box.size(), publish);
    Check(where == SplitLineByLine(box));
    // Fed in pieces, as a file is read block by block, it finds the same.
    std::vector<std::pair<uint64_t, uint64_t>> again;
    std::vector<bool> nulAgain;
    auto publishAgain = [&](uint64_t offset, uint64_t length, tessera::MboxSplitter::Marks marks) {
        again.emplace_back(offset, length);
        nulAgain.push_back(marks.nul);
    };
    tessera::MboxSplitter pieces;
    const size_t piece = box.size() % 97 + 1;
    for (size_t at = 0; at < box.size(); at += piece)
        pieces.Feed(box.data() + at, box.data() + std::min(box.size(), at + piece), publishAgain);
    pieces.Finish(box.size(), publishAgain);
    Check(again == where && nulAgain == nuls);
    return found;
}

// Files of a Maildir or .eml files: NUL bytes part them, as a NUL ends a source.
std::vector<std::string> SplitFiles(const std::string& text) {
    std::vector<std::string> files;
    for (size_t start = 0; start <= text.size();) {
        size_t stop = text.find('\0', start);
        if (stop == std::string::npos) stop = text.size();
        files.push_back(text.substr(start, stop - start));
        start = stop + 1;
    }
    return files;
}

bool HasContentLength(const std::string& source) {
    const std::string_view text(source);
    for (size_t at = text.find_first_of("cC"); at != std::string_view::npos;
         at = text.find_first_of("cC", at + 1)) {
        if (tessera::StartsWithIgnoreCase(text.substr(at), "content-length")) return true;
    }
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1 || size > kMaxInput) return -1;
    messageCharset = kMessageCharsets[data[0] % 4];
    const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
    std::vector<std::string> sources = (data[0] & 4) ? ReadMbox(text, nullptr) : SplitFiles(text);
    if (sources.size() > kMaxMessages) sources.resize(kMaxMessages);
    messages = &sources;

    static tessera::HostApi api = [] {
        tessera::HostApi host = tessera::fuzzing::FuzzHostApi();
        host.GetSource = GetSource;
        host.GetCharSet = GetCharSet;
        return host;
    }();
    static const tessera::ExportFormat emlFormat = [] {
        tessera::ExportFormat format;
        format.SaveType = tessera::kSaveTypeEml;
        return format;
    }();
    static const tessera::CalendarTime now{2026, 12, 7, 8, 30, 0};
    // The two formats convert alike: each message is read and converted once,
    // written as an .eml by the writer, then framed for the mbox as the writer
    // frames it (a second export of every message would halve the rate).
    static const auto emlFraming = tessera::FramingFor(emlFormat, now);
    static const auto mboxFraming = tessera::FramingFor(
        [] {
            tessera::ExportFormat format;
            format.SaveType = tessera::kSaveTypeMbox;
            return format;
        }(),
        now);
    tessera::MessageWriter emlWriter(api, emlFormat, *emlFraming, tessera::Unwatched());
    std::string box;
    std::vector<std::string> written;
    std::vector<size_t> writtenFrom;  // the source of each message written
    for (size_t i = 0; i < sources.size(); ++i) {
        const std::string id = std::to_string(i);
        tessera::HostMessage message;
        StringFile eml;
        if (!emlWriter.Read(id.c_str(), message) || !emlWriter.Write(id.c_str(), message, eml))
            continue;
        tessera::StringSink sink(box);
        mboxFraming->Prepare(message.root);
        mboxFraming->WriteLeadIn(message.root, sink);
        message.root.WriteTo(sink);
        mboxFraming->WriteTrailer(message.lineEnded, sink);
        Check(sink.Flush());
        written.push_back(std::move(eml.bytes));
        writtenFrom.push_back(i);
    }
    std::vector<bool> shaped;
    const std::vector<std::string> found = ReadMbox(box, &shaped);
    Check(found.size() == written.size());
    for (size_t i = 0; i < found.size(); ++i) {
        Check(shaped[i]);
        // .eml ends in a blank line where the mbox has its framing one; only
        // the mbox drops a Content-Length its body no longer matches.
        const std::string& eml = written[i];
        const bool same = found[i].size() + 2 == eml.size()
                              ? eml.compare(0, found[i].size(), found[i]) == 0 &&
                                    eml.compare(found[i].size(), 2, "\r\n") == 0
                              : found[i] == eml;
        Check(same || HasContentLength(sources[writtenFrom[i]]));
    }
    messages = nullptr;
    return 0;
}
