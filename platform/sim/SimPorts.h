// The simulated Mac's implementations of the ports, and the set of them the program
// uses on Linux.
#pragma once

#include <memory>
#include <string>

#include "platform/Ports.h"

namespace sim {
class SimMac;
}

namespace platform::simulated {

// Ports that reach the simulated Mac at root: the program's user defaults in its
// preference domain, shells with its tools first on PATH, its AppleScript
// interpreter in this process, its URL-handler table, and the record copy in its
// folder.
Ports portsFor(const std::string& root);

}  // namespace platform::simulated
