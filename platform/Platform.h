// The program's one way into the platform it is built for. CMake links exactly one
// implementation (the simulated Mac on Linux, the native layer on macOS); the
// program calls these and never names the implementation.
#pragma once

#include <string>

#include "platform/Ports.h"

namespace platform {

// What the platform needs settled before the QApplication exists (Qt's platform
// plugin reads it as it starts).
void prepareApplication();

// Makes this platform's ports: returns the core's (the Qt event loop as the main
// thread, alerts shown as dialogs) and installs the user interface's into
// qt::qtPorts(). Throws std::runtime_error when the system cannot be reached.
Ports installPlatform();

// The per-user folder of the program's own state (its single-instance lock): the
// simulated Mac's folder on Linux, Application Support/Lendmode on macOS.
std::string platformStateDirectory();

}  // namespace platform
