// Which host calls fail on purpose (fault injection for tests).
#pragma once

#include <map>
#include <set>
#include <string>

namespace tessera {

class FaultPlan {
  public:
    // "NAME:N[,M...]" fails those calls (counted from 1); "NAME:*" fails every call.
    bool Add(const std::string& rule);
    // Counts a call of `name` and tells whether it is to fail.
    bool ShouldFail(const std::string& name);
    void Clear();

  private:
    struct Entry {
        std::set<long> calls;
        bool always = false;
        long count = 0;
    };
    std::map<std::string, Entry> entries_;
};

}  // namespace tessera
