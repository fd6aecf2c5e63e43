#include <libintl.h>
#include <unistd.h>

#include <climits>
#include <string>
#include <sys/stat.h>

#include "tools/cli/CliText.h"

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
    // in the system's folder of catalogues.
    std::string folder = TESSERA_LOCALEDIR;
    char self[PATH_MAX];
    ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
    if (length > 0) {
        std::string beside(self, static_cast<size_t>(length));
        beside = beside.substr(0, beside.rfind('/') + 1) + "locale";
        if (HasCatalogue(beside)) folder = beside;
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
