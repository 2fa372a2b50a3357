// The user's home folder from the password database, never from the environment
// (which a launching process may have changed).
#pragma once

#include <string>

namespace platform {

// Stops the process with a failed assertion when the database has no entry for the
// user: without a home there is nowhere to install the launch agent.
std::string RealHomeDirectory();

}  // namespace platform
