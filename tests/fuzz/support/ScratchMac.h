// One simulated Mac in a temporary folder, made once per process and removed when the
// process ends. reset() puts its files back as they were seeded before each input, so
// that every input meets the same Mac and a finding replays alike.
#pragma once

#include <map>
#include <set>
#include <string>

#include "sim/SimMac.h"

namespace fuzz {

class ScratchMac {
public:
    static ScratchMac& instance();

    const sim::SimMac& mac() const { return mac_; }
    const std::string& root() const { return mac_.root(); }
    // Writes back every seeded file and folder that changed or went, and removes what
    // was added.
    void reset();
    // Makes a folder below the root that reset() keeps, as if seeded.
    void addFolder(const std::string& relative);

private:
    explicit ScratchMac(const std::string& root);
    void restoreFile(const std::string& relative, const std::string& bytes) const;

    sim::SimMac mac_;
    std::map<std::string, std::string> seeded_;  // path below the root -> contents
    std::set<std::string> folders_;              // the seeded folders, below the root
};

}  // namespace fuzz
