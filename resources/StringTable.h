// The plug-in's string table as UTF-8, generated from Tessera.rc for the
// programs that cannot load it from the DLL's resources.
#pragma once

#include "resources/resource.h"

namespace tessera {

struct StringTableEntry {
    int id;
    const char* utf8;
};

inline constexpr StringTableEntry kStringTable[] = {
#include "resources/StringTable.inc"
};

// The UTF-8 text of a string-table id; empty for an unknown id.
inline const char* StringTableText(int id) {
    for (const StringTableEntry& entry : kStringTable) {
        if (entry.id == id) return entry.utf8;
    }
    return "";
}

}  // namespace tessera
