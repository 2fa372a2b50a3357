// The simulated Mac's settings as a person wants to read them: what switching
// Lendmode on and off changed.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace sim {

class SimMac;

// (setting, value) pairs in display order.
std::vector<std::pair<std::string, std::string>> statusRows(const SimMac& mac);
// The rows as an aligned two-column table, one line each.
std::string statusTable(const SimMac& mac);

// The name macOS gives a hot-corner action number and a modifier mask.
std::string hotCornerActionName(long long action);
std::string hotCornerModifierName(long long modifier);

}  // namespace sim
