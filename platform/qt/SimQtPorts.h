// The Qt ports of the Linux build: launches and icons from the simulated Mac,
// the status item in the system tray, alerts as message boxes, and an activation
// policy that is only remembered.
#pragma once

#include <string>

namespace platform::qt {

// Installs them into qtPorts() for the simulated Mac at root.
void installSimulatedMacPorts(const std::string& root);

}  // namespace platform::qt
