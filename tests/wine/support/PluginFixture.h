// Loads a private copy of the real Tessera.dll into this process, which plays
// the host (it exports the host functions), with its own folder for the INI.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "tools/simhost/PluginHost.h"

namespace tessera::testing {

// Folder of the running test executable (Tessera.dll lies beside it).
// The samples whose export is fixed (07 has no Date: its envelope carries the export time).
extern const std::vector<std::string> kFixedSamples;

std::string ExeFolder();
// A new empty folder under the system's temp folder, ending in '\'; it is
// removed with all it holds when the test program ends.
std::string NewTempFolder(const std::string& tag);
std::string ReadFileBytes(const std::string& path);
bool WriteFileBytes(const std::string& path, const std::string& bytes);
bool FileExistsA(const std::string& path);
// Names of the files in a folder, sorted.
std::vector<std::string> ListFiles(const std::string& folder);

class PluginFixture {
  public:
    // Copies Tessera.dll into a fresh folder as `moduleName` (default Tessera.dll).
    explicit PluginFixture(const std::string& moduleName = "Tessera.dll");
    ~PluginFixture();

    // Writes the INI beside the module before loading.
    void WriteIni(const std::string& text);
    std::string IniText() const;
    bool IniExists() const;

    // Creates the host window (with or without item 32774) and loads the module.
    bool Load(bool withAnchor = true);
    void Unload();

    // Adds sample messages from samples/ of the source tree by file name.
    void AddSamples(const std::vector<std::string>& names);

    PluginHost& Host() { return PluginHost::Instance(); }
    const std::string& Folder() const { return folder_; }
    std::string ModulePath() const { return folder_ + moduleName_; }
    std::string IniPath() const;

  private:
    std::string folder_;
    std::string moduleName_;
};

}  // namespace tessera::testing
