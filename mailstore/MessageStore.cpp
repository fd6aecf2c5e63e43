#include "mailstore/MessageStore.h"

#include <strings.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <limits>

#include "export/mime/HeaderParameters.h"
#include "mailstore/MboxFraming.h"
#include "mailstore/MboxSplitter.h"
#include "mailstore/NativePath.h"

namespace tessera {

namespace fs = std::filesystem;

namespace {

constexpr uint32_t kMaxNumber = (1u << 31) - 1;
// The indexing reads an mbox in blocks of this size and keeps at most this much
// of it for the reader (more only while the reader waits for the indexing).
// On Windows blocks of 1 MiB: smaller ones, taken from the heap among the
// sources, made the simulated host's heap fault twice as many pages in under
// Wine. Elsewhere half that: less is held, and it measured faster.
#if defined(_WIN32)
constexpr size_t kBlockBytes = 1024 * 1024;
#else
constexpr size_t kBlockBytes = 512 * 1024;
#endif
constexpr size_t kWindowBytes = kBlockBytes;
constexpr size_t kSpareBlocks = 1;
std::string Reason(const std::error_code& ec) { return " (" + ec.message() + ")"; }
std::string Reason(int error) { return std::string(" (") + std::strerror(error) + ")"; }

// Moves to a 64-bit offset, also where long and off_t have 32 bits (msvcrt).
bool SeekTo(FILE* file, uint64_t offset) {
#if defined(_WIN32)
    return _fseeki64(file, static_cast<long long>(offset), SEEK_SET) == 0;
#else
    return fseeko(file, static_cast<off_t>(offset), SEEK_SET) == 0;
#endif
}

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
    inputs_.clear();
    jobs_.clear();
    problems_.clear();
    ClearWindow();
    spareBlocks_.clear();
    wanted_ = 0;
    wantsAll_ = false;
}

void MessageStore::WaitForIndexing() {
    {
        std::unique_lock<std::mutex> lock(mutex_);
        wantsAll_ = true;
        changed_.notify_all();
        changed_.wait(lock, [this] { return !indexing_; });
    }
    if (indexer_.joinable()) indexer_.join();
}

size_t MessageStore::Count() const {
    std::unique_lock<std::mutex> lock(mutex_);
    wantsAll_ = true;
    changed_.notify_all();
    changed_.wait(lock, [this] { return !indexing_; });
    return entries_.size();
}

size_t MessageStore::KnownCount() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return entries_.size();
}

bool MessageStore::Has(size_t index) const {
    std::unique_lock<std::mutex> lock(mutex_);
    if (index >= wanted_) {
        wanted_ = index + 1;
        // An indexing that waits for the reader goes on when the reader waits for it.
        if (entries_.size() <= index) changed_.notify_all();
    }
    changed_.wait(lock, [&] { return entries_.size() > index || !indexing_; });
    return entries_.size() > index;
}

const MessageStore::Entry& MessageStore::At(size_t index) const {
    std::lock_guard<std::mutex> lock(mutex_);
    return entries_[index];
}

const MessageStore::Input& MessageStore::InputAt(uint32_t input) const {
    std::lock_guard<std::mutex> lock(mutex_);
    return inputs_[input];
}

std::string MessageStore::Name(size_t index) const {
    const Entry& entry = At(index);
    const Input& input = InputAt(entry.input);
    return input.mbox ? input.path + ":" + std::to_string(entry.number) : input.path;
}

std::vector<std::string> MessageStore::InputFiles() const {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<std::string> files;
    for (const Input& input : inputs_) {
        if (!input.inMemory) files.push_back(input.path);
    }
    return files;
}

std::vector<std::string> MessageStore::TakeProblems() {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<std::string> taken;
    taken.swap(problems_);
    return taken;
}

void MessageStore::AddProblem(std::string text) const {
    std::lock_guard<std::mutex> lock(mutex_);
    problems_.push_back(std::move(text));
}

uint32_t MessageStore::NewInput(Input input) {
    std::lock_guard<std::mutex> lock(mutex_);
    inputs_.push_back(std::move(input));
    return static_cast<uint32_t>(inputs_.size() - 1);
}

void MessageStore::AddReady(std::vector<Entry> entries) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!indexing_ && jobs_.empty()) {
        entries_.insert(entries_.end(), entries.begin(), entries.end());
        return;
    }
    Job job;
    job.ready = std::move(entries);
    jobs_.push_back(std::move(job));
}

void MessageStore::Queue(Job job) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        jobs_.push_back(std::move(job));
        if (indexing_) return;
        indexing_ = true;
    }
    if (indexer_.joinable()) indexer_.join();  // an earlier run, finished
    try {
        indexer_ = std::thread([this] { IndexJobs(); });
    } catch (...) {
        // No thread: nothing would ever finish the queue, and waiters would hang.
        std::lock_guard<std::mutex> lock(mutex_);
        jobs_.pop_back();
        indexing_ = false;
        throw;
    }
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
        try {
            if (job.scan) ScanMbox(job.input);
            Publish(job.ready);
        } catch (...) {
            // Out of memory: what is indexed stays; the inputs from here on are left out.
            std::lock_guard<std::mutex> lock(mutex_);
            jobs_.clear();
            indexing_ = false;
            try {
                if (job.scan || !job.ready.empty()) {
                    uint32_t input = job.scan ? job.input : job.ready.front().input;
                    problems_.push_back(inputs_[input].path +
                                        ": out of memory while indexing; it and the inputs "
                                        "after it were left out");
                }
            } catch (...) {
            }
            changed_.notify_all();
            return;
        }
    }
}

void MessageStore::Publish(std::vector<Entry>& found) {
    if (found.empty()) return;
    std::lock_guard<std::mutex> lock(mutex_);
    entries_.insert(entries_.end(), found.begin(), found.end());
    found.clear();
    changed_.notify_all();
}

void MessageStore::KeepInWindow(uint32_t input, uint64_t offset, std::vector<char>& block,
                                size_t size) {
    std::unique_lock<std::mutex> lock(mutex_);
    if (windowInput_ != input) {
        ClearWindow();
        windowInput_ = input;
    }
    windowBytes_ += size;
    window_.push_back(Block{offset, size, std::move(block)});
    while (windowBytes_ > kWindowBytes) {
        // The reader waits for a message not yet indexed, or for the whole
        // index: the oldest blocks go, and what was in them is read again.
        if (wantsAll_ || entries_.size() < wanted_) {
            windowBytes_ -= window_.front().size;
            if (spareBlocks_.size() < kSpareBlocks)
                spareBlocks_.push_back(std::move(window_.front().bytes));
            window_.pop_front();
            continue;
        }
        changed_.wait(lock);
    }
    if (!spareBlocks_.empty()) {
        block = std::move(spareBlocks_.back());
        spareBlocks_.pop_back();
    }
}

bool MessageStore::ReadFromWindow(const Entry& entry, char* out, size_t& length) const {
    std::unique_lock<std::mutex> lock(mutex_);
    if (entry.input != windowInput_ || window_.empty()) return false;
    const uint64_t start = window_.front().offset;
    const uint64_t end = window_.back().offset + window_.back().size;
    if (entry.offset < start || entry.offset + entry.length > end) return false;
    uint64_t at = entry.offset;
    const uint64_t stop = entry.offset + entry.length;
    length = static_cast<size_t>(entry.length);
    for (const Block& block : window_) {
        const uint64_t blockEnd = block.offset + block.size;
        if (blockEnd <= at) continue;
        if (at >= stop) break;
        const char* from = block.bytes.data() + (at - block.offset);
        if (entry.quoted && at == entry.offset && stop <= blockEnd) {
            // Within one block: unquoted as it is copied, not moved again after.
            length = CopyUnquoted(from, length, out, entry.anyCaseFrom);
            return true;
        }
        const uint64_t to = std::min(stop, blockEnd);
        std::memcpy(out, from, static_cast<size_t>(to - at));
        out += to - at;
        at = to;
    }
    lock.unlock();
    if (entry.quoted) length = UnquoteFromLines(out - length, length, entry.anyCaseFrom);
    return true;
}

void MessageStore::ReleaseWindowBefore(uint32_t input, uint64_t offset) const {
    std::lock_guard<std::mutex> lock(mutex_);
    if (input != windowInput_) return;
    bool released = false;
    while (!window_.empty() && window_.front().offset + window_.front().size <= offset) {
        windowBytes_ -= window_.front().size;
        if (spareBlocks_.size() < kSpareBlocks)
            spareBlocks_.push_back(std::move(window_.front().bytes));
        window_.pop_front();
        released = true;
    }
    if (released) changed_.notify_all();
}

void MessageStore::ClearWindow() const {
    window_.clear();
    windowBytes_ = 0;
    windowInput_ = UINT32_MAX;
}

void MessageStore::CloseOpenFile() const {
    if (openFile_) std::fclose(openFile_);
    openFile_ = nullptr;
    openPath_.clear();
}

bool MessageStore::ReadRange(const std::string& path, uint64_t offset, uint64_t length, char* out,
                             std::string& error) const {
    if (!openFile_ || openPath_ != path) {
        CloseOpenFile();
        openFile_ = std::fopen(path.c_str(), "rb");
        if (!openFile_) {
            error = Reason(errno);
            return false;
        }
        openPath_ = path;
    }
    if (!SeekTo(openFile_, offset)) {
        error = Reason(errno);
        return false;
    }
    if (length && std::fread(out, 1, static_cast<size_t>(length), openFile_) != length) {
        error = std::ferror(openFile_) ? Reason(errno) : " (it became shorter)";
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
    return IsEnvelopeLine(head, n);
}

bool MessageStore::AddPath(const std::string& path, std::string& error) {
    std::error_code ec;
    fs::file_status status = fs::status(ToFsPath(path), ec);
    std::vector<Entry> ready;
    if (status.type() == fs::file_type::not_found) {
        error = path + ": no such file";
        return false;
    }
    if (ec) {
        error = path + ": cannot be read" + Reason(ec);
        return false;
    }
    if (fs::is_directory(status)) {
        bool ok = MaildirEntries(path, ready, error);
        AddReady(std::move(ready));
        return ok;
    }
    if (!fs::is_regular_file(status)) {
        error = path + ": not a file, folder or mbox";
        return false;
    }
    if (LooksLikeMbox(path)) {
        Job job;
        job.scan = true;
        job.input = NewInput(Input{path, std::string(), false, true});
        Queue(std::move(job));
        return true;
    }
    if (!FileEntry(path, ready, error)) return false;
    AddReady(std::move(ready));
    return true;
}

void MessageStore::AddText(const std::string& name, std::string text) {
    uint64_t length = text.size();
    uint32_t input = NewInput(Input{name, std::move(text), true, false});
    AddReady({Entry{0, length, input, 1, 1, 0, 0}});
}

void MessageStore::AddStreamText(const std::string& name, std::string text) {
    if (!IsEnvelopeLine(text.data(), text.size())) {
        AddText(name, std::move(text));
        return;
    }
    const uint64_t size = text.size();
    const uint32_t input = NewInput(Input{name, std::move(text), true, true});
    const std::string& held = InputAt(input).text;
    std::vector<Entry> entries;
    uint32_t found = 0;
    auto publish = [&](uint64_t offset, uint64_t length, MboxSplitter::Marks marks) {
        found = std::min(found + 1, kMaxNumber);
        entries.push_back(
            Entry{offset, length, input, marks.quoted, marks.nul, found, marks.anyCaseFrom});
    };
    MboxSplitter splitter;
    splitter.Feed(held.data(), held.data() + held.size(), publish);
    splitter.Finish(size, publish);
    AddReady(std::move(entries));
}

bool MessageStore::FileEntry(const std::string& path, std::vector<Entry>& out, std::string& error) {
    std::error_code ec;
    uintmax_t size = fs::file_size(ToFsPath(path), ec);
    if (ec) {
        error = path + ": cannot be read" + Reason(ec);
        return false;
    }
    FILE* probe = std::fopen(path.c_str(), "rb");
    if (!probe) {
        error = path + ": cannot be read" + Reason(errno);
        return false;
    }
    std::fclose(probe);
    if (size == 0) {
        error = path + ": empty file, not a message";
        return false;
    }
    out.push_back(Entry{0, size, NewInput(Input{path, std::string(), false, false}), 1, 1, 0, 0});
    return true;
}

void MessageStore::ScanMbox(uint32_t index) {
    const std::string path = InputAt(index).path;
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) {
        AddProblem(path + ": cannot be read" + Reason(errno));
        return;
    }
    std::vector<char> block;
    // The messages a block ends are told to the reader at once: one lock and
    // one wake-up a block, not one a message (under Wine each is a server call).
    std::vector<Entry> ended;
    uint64_t size = 0, found = 0;
    auto publish = [&](uint64_t offset, uint64_t length, MboxSplitter::Marks marks) {
        uint32_t number = static_cast<uint32_t>(std::min<uint64_t>(++found, kMaxNumber));
        ended.push_back(
            Entry{offset, length, index, marks.quoted, marks.nul, number, marks.anyCaseFrom});
    };
    MboxSplitter splitter;
    size_t n;
    // Blocks keep their length (a shorter read fills a part), so none is cleared again.
    while (block.resize(kBlockBytes), (n = std::fread(block.data(), 1, kBlockBytes, file)) > 0) {
        splitter.Feed(block.data(), block.data() + n, publish);
        Publish(ended);
        KeepInWindow(index, size, block, n);
        size += n;
    }
    // After a read error the last message may be cut short: it is left out.
    if (std::ferror(file)) {
        AddProblem(path + ": read error after " + std::to_string(found) + " messages" +
                   Reason(errno) + "; the rest was left out");
    } else {
        splitter.Finish(size, publish);
        Publish(ended);
    }
    std::fclose(file);
}

namespace {

bool IsEmlName(const std::string& name) {
    return name.size() > 4 && strcasecmp(name.c_str() + name.size() - 4, ".eml") == 0;
}

// The .eml files of a folder and its sub-folders, in name order, a folder's
// files where its name falls; dot files and dot folders are left out, and
// linked folders, which could lead round in a circle.
void EmlFiles(const fs::path& dir, std::vector<std::string>& files,
              std::vector<std::string>& errors) {
    std::vector<std::pair<std::string, bool>> names;  // name, is a folder
    std::error_code ec;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        std::string name = FromFsPath(it->path().filename());
        if (name.empty() || name[0] == '.') continue;
        std::error_code typeEc;
        bool folder = it->is_directory(typeEc) && !it->is_symlink(typeEc);
        if (folder || (IsEmlName(name) && it->is_regular_file(typeEc))) {
            names.emplace_back(name, folder);
        }
        if (typeEc) errors.push_back(FromFsPath(it->path()) + ": cannot be read" + Reason(typeEc));
    }
    if (ec) errors.push_back(FromFsPath(dir) + ": cannot be listed" + Reason(ec));
    std::sort(names.begin(), names.end());
    for (const auto& [name, folder] : names) {
        if (folder)
            EmlFiles(dir / ToFsPath(name), files, errors);
        else
            files.push_back(FromFsPath(dir / ToFsPath(name)));
    }
}

}  // namespace

bool MessageStore::MaildirEntries(const std::string& path, std::vector<Entry>& out,
                                  std::string& error) {
    std::vector<std::string> files, errors;
    for (const char* sub : {"cur", "new"}) {
        fs::path dir = ToFsPath(path) / sub;
        std::error_code ec;
        fs::file_status status = fs::status(dir, ec);
        if (status.type() == fs::file_type::not_found) continue;
        if (ec || !fs::is_directory(status)) {
            errors.push_back(FromFsPath(dir) + ": cannot be listed" +
                             (ec ? Reason(ec) : " (not a folder)"));
            continue;
        }
        for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
            std::string name = FromFsPath(it->path().filename());
            if (name.empty() || name[0] == '.') continue;
            std::error_code fileEc;
            bool regular = it->is_regular_file(fileEc);
            if (fileEc)
                errors.push_back(FromFsPath(it->path()) + ": cannot be read" + Reason(fileEc));
            if (regular) files.push_back(FromFsPath(it->path()));
        }
        if (ec) errors.push_back(FromFsPath(dir) + ": cannot be listed" + Reason(ec));
    }
    std::sort(files.begin(), files.end());
    if (files.empty() && errors.empty()) {
        EmlFiles(ToFsPath(path), files, errors);
        if (files.empty() && errors.empty()) {
            errors.push_back(path +
                             ": no messages (neither a Maildir folder nor a folder of .eml files)");
        }
    }
    for (const std::string& file : files) {
        std::string one;
        if (!FileEntry(file, out, one)) errors.push_back(one);
    }
    for (const std::string& one : errors) error += (error.empty() ? "" : "\n") + one;
    return errors.empty();
}

bool MessageStore::Fits(size_t index, const Entry& entry) const {
    if (entry.length < std::numeric_limits<size_t>::max()) return true;
    AddProblem(Name(index) + ": too large to read on this system");
    return false;
}

bool MessageStore::ReadEntry(size_t index, const Entry& entry, char* out, size_t& length) const {
    std::string error;
    const Input& input = InputAt(entry.input);
    if (input.mbox) {
        const bool held = ReadFromWindow(entry, out, length);
        // Messages are read in order: the blocks before this one are done with.
        ReleaseWindowBefore(entry.input, entry.offset + entry.length);
        if (held) return true;
    }
    if (ReadRange(input.path, entry.offset, entry.length, out, error)) {
        length = static_cast<size_t>(entry.length);
        if (input.mbox && entry.quoted) length = UnquoteFromLines(out, length, entry.anyCaseFrom);
        return true;
    }
    AddProblem(Name(index) + ": cannot be read" + error);
    return false;
}

bool MessageStore::Source(size_t index, std::string& text) const {
    if (!Has(index)) return false;
    const Entry& entry = At(index);
    const Input& input = InputAt(entry.input);
    if (input.inMemory) {
        text =
            input.text.substr(static_cast<size_t>(entry.offset), static_cast<size_t>(entry.length));
        if (input.mbox && entry.quoted) text = UnquoteFromLines(std::move(text), entry.anyCaseFrom);
        return true;
    }
    if (!Fits(index, entry)) return false;
    text.resize(static_cast<size_t>(entry.length));
    size_t length = 0;
    if (!ReadEntry(index, entry, &text[0], length)) return false;
    text.resize(length);
    return true;
}

bool MessageStore::SourceInto(size_t index, char* buffer, size_t& length) const {
    if (!Has(index)) return false;
    const Entry& entry = At(index);
    const Input& input = InputAt(entry.input);
    if (input.inMemory) {
        length = static_cast<size_t>(entry.length);
        const char* text = input.text.data() + entry.offset;
        if (input.mbox && entry.quoted)
            length = CopyUnquoted(text, length, buffer, entry.anyCaseFrom);
        else
            std::memcpy(buffer, text, length);
        return true;
    }
    return Fits(index, entry) && ReadEntry(index, entry, buffer, length);
}

std::string TopLevelCharset(std::string_view source) {
    size_t pos = 0;
    while (pos < source.size()) {
        size_t eol = source.find('\n', pos);
        if (eol == std::string::npos) eol = source.size();
        size_t length = eol - pos;
        if (length == 0 || (length == 1 && source[pos] == '\r')) break;  // end of headers
        if (length >= 13 && strncasecmp(source.data() + pos, "Content-Type:", 13) == 0) {
            size_t end = eol;
            while (end + 1 < source.size() && (source[end + 1] == ' ' || source[end + 1] == '\t')) {
                size_t next = source.find('\n', end + 1);
                end = next == std::string::npos ? source.size() : next;
            }
            const HeaderValue value = ParseHeaderValue(source.substr(pos + 13, end - pos - 13));
            return FindParameter(value, "charset").value;
        }
        pos = eol + 1;
    }
    return std::string();
}

}  // namespace tessera
