// What the plug-in tells the host about itself.
#pragma once

#include "resources/Version.h"

namespace tessera {

constexpr const char* kPluginTitle = "ShiftJIS Export plugin for B2";
constexpr const char* kPluginAuthor = "Corvin";
constexpr const char* kPluginVersion = TESSERA_VERSION;
// "ShiftJISでのエクスポートをサポート" in Shift-JIS.
constexpr const char* kPluginDescription =
    "ShiftJIS\x82\xC5\x82\xCC\x83\x47\x83\x4E\x83\x58\x83\x7C\x81\x5B\x83\x67\x82\xF0"
    "\x83\x54\x83\x7C\x81\x5B\x83\x67";

constexpr int kInfoFieldSize = 80;
constexpr int kInfoFieldCount = 4;

}  // namespace tessera
