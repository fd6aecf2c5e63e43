#include "host/FaultPlan.h"

#include <cstdlib>

namespace tessera {

bool FaultPlan::Add(const std::string& rule) {
    size_t colon = rule.find(':');
    if (colon == std::string::npos || colon == 0) return false;
    Entry& entry = entries_[rule.substr(0, colon)];
    std::string list = rule.substr(colon + 1);
    if (list == "*") {
        entry.always = true;
        return true;
    }
    size_t pos = 0;
    while (pos <= list.size()) {
        size_t comma = list.find(',', pos);
        std::string item =
            list.substr(pos, comma == std::string::npos ? std::string::npos : comma - pos);
        char* end = nullptr;
        long n = std::strtol(item.c_str(), &end, 10);
        if (item.empty() || *end != '\0' || n < 1) return false;
        entry.calls.insert(n);
        if (comma == std::string::npos) break;
        pos = comma + 1;
    }
    return true;
}

bool FaultPlan::ShouldFail(const std::string& name) {
    auto found = entries_.find(name);
    if (found == entries_.end()) return false;
    Entry& entry = found->second;
    ++entry.count;
    return entry.always || entry.calls.count(entry.count) > 0;
}

void FaultPlan::Clear() { entries_.clear(); }

}  // namespace tessera
