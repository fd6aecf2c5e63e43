#include "tools/cli/CliText.h"

#include <libintl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <string>

namespace tessera {

namespace {

constexpr const char* kDomain = "tessera-export";

bool HasCatalogue(const std::string& folder) {
    struct stat info;
    return stat((folder + "/ja/LC_MESSAGES/tessera-export.mo").c_str(), &info) == 0;
}

}  // namespace

void UseCliTexts(const char*) {
    // The build tree keeps its catalogue beside the program; installed, it is
    // in share/locale next to the program's bin/ (wherever it was installed),
    // else in the folder of catalogues of the configured prefix.
    std::string folder = TESSERA_LOCALEDIR;
    char self[PATH_MAX];
    ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
    if (length > 0) {
        std::string bin(self, static_cast<size_t>(length));
        bin = bin.substr(0, bin.rfind('/') + 1);
        for (const std::string& candidate : {bin + "locale", bin + "../share/locale"}) {
            if (!HasCatalogue(candidate)) continue;
            folder = candidate;
            break;
        }
    }
    bindtextdomain(kDomain, folder.c_str());
}

bool JapaneseTexts() {
    // The catalogue's header comes back only when a catalogue serves the locale.
    const char* header = dgettext(kDomain, "");
    return header && *header;
}

std::string Tr(const char* english, std::initializer_list<std::string> values) {
    return FillIn(dgettext(kDomain, english), values);
}

}  // namespace tessera
