// The plausible Mac a new simulated Mac starts as.
#pragma once

namespace sim {
class SimMac;
// Writes the initial files of a simulated Mac. The caller holds its lock.
void seed(const SimMac& mac);
}  // namespace sim
