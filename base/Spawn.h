// Starting /bin/sh with posix_spawn and collecting what it prints. Shared by the
// program's shell runner and by the simulated Mac's `do shell script`.
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace posix {

// A pipe whose two ends are closed in the children this process starts (pipe2 would
// do it in one step, but macOS has no pipe2). False, with nothing left open, when it
// cannot be made.
bool openPipe(int (&fds)[2]);

// Variables to set in the child's environment on top of this process's own.
using EnvironmentOverrides = std::map<std::string, std::string>;

struct ShellRun {
    bool started = false;  // false: /bin/sh could not be started
    std::string output;    // everything written to standard output
    std::string errors;    // what was written to standard error, when it was captured
    int exitStatus = -1;   // -1 while unknown (see runShell); 128 + N for signal N
    bool stopped = false;  // ended by runShellUnless's `stop`
};

// Where the shell's standard error goes.
enum class StandardError {
    Inherit,  // this process's own
    Capture,  // a pipe read alongside standard output, into ShellRun::errors
};

// Runs `/bin/sh -c text`. Standard output goes to a pipe that is read until every
// process holding it (the shell and any child it left behind) has closed it; standard
// input is this process's own. A captured standard error keeps what was written to it
// until then (a process that writes to it later finds it closed). With waitForExit
// the call waits for the shell's exit status; without it, the status is collected
// when the shell ends within a moment of closing its output, and a shell still
// running then is reaped later, so the call never waits long beyond the output.
ShellRun runShell(const std::string& text, const EnvironmentOverrides& environment, bool waitForExit,
                  const char* shell = "/bin/sh", StandardError standardError = StandardError::Inherit);

// The same for several texts at once: every shell is started, then all are read
// together. The results are in the order of the texts.
std::vector<ShellRun> runShells(const std::vector<std::string>& texts,
                                const EnvironmentOverrides& environment, bool waitForExit,
                                const char* shell = "/bin/sh",
                                StandardError standardError = StandardError::Inherit);

// runShell waiting for the exit, but the shell and everything it started (its process
// group) are ended once `stop` answers true, asked every 50 ms from this thread: SIGTERM,
// then SIGKILL half a second later. The run then has `stopped` set and what was read.
ShellRun runShellUnless(const std::string& text, const EnvironmentOverrides& environment,
                        const std::function<bool()>& stop, const char* shell = "/bin/sh",
                        StandardError standardError = StandardError::Inherit);

}  // namespace posix
