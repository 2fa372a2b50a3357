// The plausible Mac a new simulated Mac starts as.
#pragma once

namespace sim {
class SimMac;
// Writes the initial files of a simulated Mac. The caller holds its lock. False, with
// errno saying why, when a folder or a file could not be made.
[[nodiscard]] bool seed(const SimMac& mac);
}  // namespace sim
