#include "host/MessageStore.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <strings.h>

#include "host/NativePath.h"

namespace tessera {

namespace fs = std::filesystem;

namespace {

bool StartsWithFrom(const char* p, size_t n) { return n >= 5 && std::memcmp(p, "From ", 5) == 0; }

}  // namespace

MessageStore::~MessageStore() {
    WaitForIndexing();
    CloseOpenFile();
}

void MessageStore::Clear() {
    WaitForIndexing();
    CloseOpenFile();
    std::lock_guard<std::mutex> lock(mutex_);
    entries_.clear();
    jobs_.clear();
}

void MessageStore::WaitForIndexing() {
    {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [this] { return !indexing_; });
    }
    if (indexer_.joinable()) indexer_.join();
}

size_t MessageStore::Count() const {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return !indexing_; });
    return entries_.size();
}

size_t MessageStore::KnownCount() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return entries_.size();
}

bool MessageStore::Has(size_t index) const {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [&] { return entries_.size() > index || !indexing_; });
    return entries_.size() > index;
}

const MessageStore::Entry& MessageStore::At(size_t index) const {
    std::lock_guard<std::mutex> lock(mutex_);
    return entries_[index];
}

void MessageStore::AddReady(std::vector<Entry> entries) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!indexing_ && jobs_.empty()) {
        for (Entry& entry : entries) entries_.push_back(std::move(entry));
        return;
    }
    jobs_.push_back(Job{std::string(), std::move(entries)});
}

void MessageStore::Queue(Job job) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        jobs_.push_back(std::move(job));
        if (indexing_) return;
        indexing_ = true;
    }
    if (indexer_.joinable()) indexer_.join();  // an earlier run, finished
    indexer_ = std::thread([this] { IndexJobs(); });
}

void MessageStore::IndexJobs() {
    while (true) {
        Job job;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (jobs_.empty()) {
                indexing_ = false;
                changed_.notify_all();
                return;
            }
            job = std::move(jobs_.front());
            jobs_.pop_front();
        }
        if (!job.mboxPath.empty()) ScanMbox(job.mboxPath);
        for (Entry& entry : job.ready) Publish(std::move(entry));
    }
}

void MessageStore::Publish(Entry entry) {
    std::lock_guard<std::mutex> lock(mutex_);
    entries_.push_back(std::move(entry));
    changed_.notify_all();
}

void MessageStore::CloseOpenFile() const {
    if (openFile_) std::fclose(openFile_);
    openFile_ = nullptr;
    openPath_.clear();
}

bool MessageStore::ReadRange(const std::string& path, uint64_t offset, uint64_t length,
                             char* out) const {
    if (!openFile_ || openPath_ != path) {
        CloseOpenFile();
        openFile_ = std::fopen(path.c_str(), "rb");
        if (!openFile_) return false;
        openPath_ = path;
    }
    if (fseeko(openFile_, static_cast<off_t>(offset), SEEK_SET) != 0) return false;
    if (length && std::fread(out, 1, length, openFile_) != length) {
        CloseOpenFile();  // changed under us: open afresh next time
        return false;
    }
    return true;
}

bool LooksLikeMbox(const std::string& path) {
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return false;
    char head[5] = {};
    size_t n = std::fread(head, 1, sizeof head, file);
    std::fclose(file);
    return StartsWithFrom(head, n);
}

bool MessageStore::AddPath(const std::string& path, std::string& error) {
    std::error_code ec;
    std::vector<Entry> ready;
    if (fs::is_directory(ToFsPath(path), ec)) {
        bool ok = MaildirEntries(path, ready, error);
        AddReady(std::move(ready));
        return ok;
    }
    if (!fs::exists(ToFsPath(path), ec)) {
        error = path + ": no such file";
        return false;
    }
    if (LooksLikeMbox(path)) {
        Queue(Job{path, {}});
        return true;
    }
    Entry entry;
    if (!FileEntry(path, entry, error)) return false;
    ready.push_back(std::move(entry));
    AddReady(std::move(ready));
    return true;
}

void MessageStore::AddText(const std::string& name, std::string text) {
    Entry entry;
    entry.name = name;
    entry.length = text.size();
    entry.text = std::move(text);
    std::vector<Entry> ready;
    ready.push_back(std::move(entry));
    AddReady(std::move(ready));
}

bool MessageStore::FileEntry(const std::string& path, Entry& entry, std::string& error) const {
    std::error_code ec;
    uintmax_t size = fs::file_size(ToFsPath(path), ec);
    FILE* probe = ec ? nullptr : std::fopen(path.c_str(), "rb");
    if (!probe) {
        error = path + ": cannot be read";
        return false;
    }
    std::fclose(probe);
    if (size == 0) {
        error = path + ": empty file, not a message";
        return false;
    }
    entry.name = path;
    entry.path = path;
    entry.length = size;
    return true;
}

// A message starts at a "From " line at the start of the file or after a blank
// line. The file is scanned in blocks; only each line's start and length matter.
void MessageStore::ScanMbox(const std::string& path) {
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return;  // it was readable a moment ago; nothing to index now
    std::vector<char> block(1 << 20);
    std::string head;       // first bytes of the current line (at most 5)
    uint64_t lineStart = 0, lineLength = 0, offset = 0, bodyStart = 0;
    bool inMessage = false, previousBlank = true;
    size_t found = 0;
    auto close = [&](uint64_t end) {
        if (!inMessage) return;
        Entry entry;
        entry.name = path + ":" + std::to_string(++found);
        entry.path = path;
        entry.offset = bodyStart;
        entry.length = end - bodyStart;
        entry.mbox = true;
        Publish(std::move(entry));
    };
    auto endLine = [&]() {
        if (previousBlank && StartsWithFrom(head.data(), head.size())) {
            close(lineStart);
            inMessage = true;
            bodyStart = lineStart + lineLength;
        }
        previousBlank = lineLength <= 2 && (head[0] == '\n' || head[0] == '\r');
        lineStart += lineLength;
        lineLength = 0;
        head.clear();
    };
    size_t n;
    while ((n = std::fread(block.data(), 1, block.size(), file)) > 0) {
        const char* p = block.data();
        const char* end = p + n;
        while (p < end) {
            const char* eol = static_cast<const char*>(std::memchr(p, '\n', static_cast<size_t>(end - p)));
            const char* stop = eol ? eol + 1 : end;
            if (head.size() < 5) head.append(p, std::min<size_t>(5 - head.size(), static_cast<size_t>(stop - p)));
            lineLength += static_cast<uint64_t>(stop - p);
            p = stop;
            if (eol) endLine();
        }
        offset += n;
    }
    if (lineLength > 0) endLine();
    close(offset);
    std::fclose(file);
}

bool MessageStore::MaildirEntries(const std::string& path, std::vector<Entry>& out,
                                  std::string& error) const {
    std::vector<std::string> files;
    std::error_code ec;
    for (const char* sub : {"cur", "new"}) {
        fs::path dir = ToFsPath(path) / sub;
        if (!fs::is_directory(dir, ec)) continue;
        for (const auto& item : fs::directory_iterator(dir, ec)) {
            std::string name = FromFsPath(item.path().filename());
            if (name.empty() || name[0] == '.' || !item.is_regular_file(ec)) continue;
            files.push_back(FromFsPath(item.path()));
        }
    }
    if (files.empty()) {
        error = path + ": not a Maildir folder (no messages in cur/ or new/)";
        return false;
    }
    std::sort(files.begin(), files.end());
    bool ok = true;
    for (const std::string& file : files) {
        std::string one;
        Entry entry;
        if (!FileEntry(file, entry, one)) {
            error += (error.empty() ? "" : "\n") + one;
            ok = false;
            continue;
        }
        out.push_back(std::move(entry));
    }
    return ok;
}

bool MessageStore::Source(size_t index, std::string& text) const {
    if (!Has(index)) return false;
    const Entry& entry = At(index);
    if (entry.path.empty()) {
        text = entry.text;
        return true;
    }
    text.resize(entry.length);
    if (!ReadRange(entry.path, entry.offset, entry.length, &text[0])) return false;
    if (entry.mbox) text = UnescapeMboxrd(std::move(text));
    return true;
}

size_t UnescapeMboxrdInPlace(char* text, size_t length) {
    // Skip ahead to the first line that begins with '>' ('>' is rare, base64 has none).
    size_t first = length;
    for (size_t at = 0; at < length;) {
        const char* quote = static_cast<const char*>(std::memchr(text + at, '>', length - at));
        if (!quote) break;
        size_t pos = static_cast<size_t>(quote - text);
        if (pos == 0 || text[pos - 1] == '\n') {
            first = pos;
            break;
        }
        at = pos + 1;
    }
    size_t in = first, out = first;
    while (in < length) {
        const char* eol = static_cast<const char*>(std::memchr(text + in, '\n', length - in));
        size_t end = eol ? static_cast<size_t>(eol - text) + 1 : length;
        size_t quotes = in;
        while (quotes < end && text[quotes] == '>') ++quotes;
        if (quotes > in && StartsWithFrom(text + quotes, end - quotes)) ++in;  // drop one '>'
        if (out != in) std::memmove(text + out, text + in, end - in);
        out += end - in;
        in = end;
    }
    return out;
}

bool MessageStore::SourceInto(size_t index, char* buffer, size_t& length) const {
    if (!Has(index)) return false;
    const Entry& entry = At(index);
    if (entry.path.empty()) {
        std::memcpy(buffer, entry.text.data(), entry.text.size());
        length = entry.text.size();
        return true;
    }
    if (!ReadRange(entry.path, entry.offset, entry.length, buffer)) return false;
    length = static_cast<size_t>(entry.length);
    if (entry.mbox) length = UnescapeMboxrdInPlace(buffer, length);
    return true;
}

std::string UnescapeMboxrd(std::string text) {
    // Most messages hold no quoted line at all: nothing to copy then.
    if ((text.empty() || text[0] != '>') && text.find("\n>") == std::string::npos) return text;
    std::string out;
    out.reserve(text.size());
    size_t pos = 0;
    while (pos < text.size()) {
        size_t eol = text.find('\n', pos);
        size_t end = eol == std::string::npos ? text.size() : eol + 1;
        size_t quotes = pos;
        while (quotes < end && text[quotes] == '>') ++quotes;
        bool escaped = quotes > pos && StartsWithFrom(text.data() + quotes, end - quotes);
        out.append(text, escaped ? pos + 1 : pos, end - (escaped ? pos + 1 : pos));
        pos = end;
    }
    return out;
}

std::string TopLevelCharset(const std::string& source) {
    size_t pos = 0;
    while (pos < source.size()) {
        size_t eol = source.find('\n', pos);
        if (eol == std::string::npos) eol = source.size();
        size_t length = eol - pos;
        if (length == 0 || (length == 1 && source[pos] == '\r')) break;  // end of headers
        if (length >= 13 && strncasecmp(source.c_str() + pos, "Content-Type:", 13) == 0) {
            size_t end = eol;
            while (end + 1 < source.size() && (source[end + 1] == ' ' || source[end + 1] == '\t')) {
                size_t next = source.find('\n', end + 1);
                end = next == std::string::npos ? source.size() : next;
            }
            std::string header = source.substr(pos, end - pos);
            for (char& c : header) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            size_t at = header.find("charset=");
            if (at == std::string::npos) return std::string();
            at += 8;
            if (at < header.size() && header[at] == '"') ++at;
            size_t stop = header.find_first_of("\"; \t\r\n", at);
            return source.substr(pos + at, (stop == std::string::npos ? header.size() : stop) - at);
        }
        pos = eol + 1;
    }
    return std::string();
}

}  // namespace tessera
