// The plug-in module's own file.
#pragma once

#include <string>

namespace tessera {

// Full path of the plug-in module file.
std::string ModulePath();

}  // namespace tessera
