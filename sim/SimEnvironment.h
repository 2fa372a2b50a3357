// What a shell started on behalf of the program sees of the simulated Mac: its tools
// first on PATH, its home as HOME, and its root in LENDMODE_SIM_ROOT, so that
// `defaults`, `mdfind`, `killall` and `~` in a command text reach the simulated Mac
// and nothing else.
#pragma once

#include <string>

#include "base/Spawn.h"

namespace sim {

class SimMac;

// The folder holding the stand-in tools: $LENDMODE_SIM_TOOLS when set, else the
// folder of the running executable when the tools are beside it, else this build's
// binary folder.
std::string toolsDirectory();

posix::EnvironmentOverrides shellEnvironment(const SimMac& mac);

}  // namespace sim
