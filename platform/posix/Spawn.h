// Starting /bin/sh with posix_spawn and collecting what it prints. Shared by the
// program's shell runner and by the simulated Mac's `do shell script`.
#pragma once

#include <map>
#include <optional>
#include <string>

namespace posix {

// Variables to set in the child's environment on top of this process's own.
using EnvironmentOverrides = std::map<std::string, std::string>;

struct ShellRun {
    bool started = false;  // false: /bin/sh could not be started
    std::string output;    // everything written to standard output
    int exitStatus = -1;   // only when the caller asked to wait for the exit
};

// Runs `/bin/sh -c text`. Standard output goes to a pipe that is read until every
// process holding it (the shell and any child it left behind) has closed it; standard
// input and standard error are this process's own. With waitForExit the shell's exit
// status is collected too; without it a shell still running after end of file is
// reaped later, so the call never waits beyond the end of the output.
ShellRun runShell(const std::string& text, const EnvironmentOverrides& environment, bool waitForExit,
                  const char* shell = "/bin/sh");

}  // namespace posix
