#include "platform/Console.h"

#include <unistd.h>

namespace tessera {

bool IsTerminal(FILE* stream) { return isatty(fileno(stream)) == 1; }

// Paths and error texts are already in the locale's bytes.
std::string SystemToConsole(const std::string& text) { return text; }

void UseBinaryStandardStreams() {}

}  // namespace tessera
