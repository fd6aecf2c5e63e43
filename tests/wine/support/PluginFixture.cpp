#include "tests/wine/support/PluginFixture.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "host/SimulatedHost.h"

namespace tessera::testing {

const std::vector<std::string> kFixedSamples = {
    "01-meeting.eml",        "02-euc-notice.eml", "03-report-attachment.eml",
    "04-alternative.eml",    "05-from-line.eml",  "06-quoted-subject.eml",
    "08-q-encoded.eml",      "09-hankaku.eml",    "10-same-subject-a.eml",
    "11-same-subject-b.eml", "12-utf8.eml"};

std::string ExeFolder() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder = path;
    return folder.substr(0, folder.find_last_of('\\') + 1);
}

namespace {

// Removes a folder and everything in it.
void RemoveTree(const std::string& folder) {
    WIN32_FIND_DATAA entry;
    HANDLE find = FindFirstFileA((folder + "*").c_str(), &entry);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = entry.cFileName;
            if (name == "." || name == "..") continue;
            const std::string path = folder + name;
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(path + "\\");
            } else {
                SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(path.c_str());
            }
        } while (FindNextFileA(find, &entry));
        FindClose(find);
    }
    RemoveDirectoryA(folder.c_str());
}

// The folders this program made, removed when it ends.
struct TempFolders {
    std::vector<std::string> made;
    ~TempFolders() {
        // A save dialog may have left the current folder in one of them.
        SetCurrentDirectoryA(ExeFolder().c_str());
        for (const std::string& folder : made) RemoveTree(folder);
    }
};

TempFolders& MadeFolders() {
    static TempFolders folders;
    return folders;
}

}  // namespace

std::string NewTempFolder(const std::string& tag) {
    static int counter = 0;
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    // Wine reuses process ids: a folder left by an earlier run is not new.
    std::string folder;
    do {
        folder = std::string(temp) + "tessera-" + tag + "-" +
                 std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++counter);
    } while (!CreateDirectoryA(folder.c_str(), nullptr) && GetLastError() == ERROR_ALREADY_EXISTS);
    MadeFolders().made.push_back(folder + "\\");
    return folder + "\\";
}

std::string ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

bool WriteFileBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary);
    out << bytes;
    return static_cast<bool>(out);
}

bool FileExistsA(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::vector<std::string> ListFiles(const std::string& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((folder + "*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
        if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(data.cFileName);
    } while (FindNextFileA(find, &data));
    FindClose(find);
    std::sort(names.begin(), names.end());
    return names;
}

PluginFixture::PluginFixture(const std::string& moduleName)
    : folder_(NewTempFolder("plugin")), moduleName_(moduleName) {
    CopyFileA((ExeFolder() + "Tessera.dll").c_str(), ModulePath().c_str(), FALSE);
    SimulatedHost::Instance().Reset();
}

PluginFixture::~PluginFixture() {
    Unload();
    SimulatedHost::Instance().Reset();
}

std::string PluginFixture::IniPath() const {
    std::string path = ModulePath();
    size_t dot = path.rfind('.');
    return (dot == std::string::npos || dot < folder_.size() ? path : path.substr(0, dot)) + ".ini";
}

void PluginFixture::WriteIni(const std::string& text) { WriteFileBytes(IniPath(), text); }

std::string PluginFixture::IniText() const { return ReadFileBytes(IniPath()); }

bool PluginFixture::IniExists() const { return FileExistsA(IniPath()); }

bool PluginFixture::Load(bool withAnchor) {
    Host().CreateMainWindow(withAnchor);
    // A name without an extension must end in '.' or LoadLibrary appends ".dll".
    std::string path = ModulePath();
    if (moduleName_.find('.') == std::string::npos) path += ".";
    return Host().Load(path);
}

void PluginFixture::Unload() {
    if (Host().Loaded()) Host().Unload();
}

void PluginFixture::AddSamples(const std::vector<std::string>& names) {
    for (const std::string& name : names) {
        std::string error;
        SimulatedHost::Instance().Messages().AddPath(
            std::string(TESSERA_SOURCE_DIR) + "/samples/" + name, error);
    }
}

}  // namespace tessera::testing
