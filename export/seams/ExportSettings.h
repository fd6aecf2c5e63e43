// The persisted settings of the plug-in: the stored format and its folder.
#pragma once

#include <string>

#include "export/seams/ExportFormat.h"

namespace tessera {

struct ExportSettings : ExportFormat {
    std::string SavePath;
};

}  // namespace tessera
