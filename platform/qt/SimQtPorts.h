// The Qt ports of the Linux build: launches and icons from the simulated Mac,
// the status item in the system tray, and an activation policy that is only
// remembered. Alerts are a port of the core (platform::Ports::alerts).
#pragma once

#include <string>

namespace platform::qt {

// Installs them into qtPorts() for the simulated Mac at root.
void installSimulatedMacPorts(const std::string& root);

}  // namespace platform::qt
