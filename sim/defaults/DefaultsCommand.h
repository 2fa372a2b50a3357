// The simulated Mac's `defaults` command:
//
//   defaults [-currentHost] read [DOMAIN [KEY]]
//   defaults [-currentHost] read-type DOMAIN KEY
//   defaults [-currentHost] write DOMAIN KEY [TYPE] VALUE
//   defaults [-currentHost] delete DOMAIN [KEY]
//   defaults [-currentHost] domains
//
// DOMAIN is -g, -globalDomain, NSGlobalDomain, a domain name or a file path (with or
// without ".plist"). TYPE is -string, -int/-integer, -float, -bool/-boolean, -date,
// -data (hex), -array, -array-add, -dict or -dict-add; without one the value is a
// string. Array items and dictionary values are strings unless preceded by one of the
// scalar flags.
//
// Errors go to err as the system log writes them: a line "YYYY-MM-DD HH:MM:SS.mmm
// defaults[PID:TID] " followed by the message; usage errors as plain text. A rejected
// command never touches the domain file.
#pragma once

#include <string>
#include <vector>

#include "sim/SimMac.h"

namespace sim {

// Runs one `defaults` command (args without the program name) against mac. Output
// and diagnostics are appended to out and err; returns the exit status (0 or 1).
int runDefaults(const std::vector<std::string>& args, const SimMac& mac, std::string& out, std::string& err);

}  // namespace sim
