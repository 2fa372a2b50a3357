// The log lines of the command runners, the same on both platforms.
#pragma once

#include <optional>
#include <string>

#include "base/Spawn.h"

namespace platform::runlog {

// Debug: "shell (exit status 1, 3 ms): defaults read com.apple.dock autohide"; the
// outcome may also be "could not start /bin/sh" or "still running after closing its
// output".
inline std::string shellRun(const posix::ShellRun& result, const std::string& shell,
                            const std::string& duration, const std::string& text) {
    const std::string outcome = !result.started          ? "could not start " + shell
                                : result.exitStatus >= 0 ? "exit status " + std::to_string(result.exitStatus)
                                                         : "still running after closing its output";
    return "shell (" + outcome + ", " + duration + "): " + text;
}

// Debug: "shell standard error: ..." without its last line feed.
inline std::string shellErrors(const std::string& errors) {
    std::string line = "shell standard error: " + errors;
    if (line.ends_with('\n')) line.pop_back();
    return line;
}

// Debug: "AppleScript (ok, 2 ms): return 1" or "AppleScript (error -1743, 2 ms): ...".
inline std::string appleScriptRun(std::optional<long> errorNumber, const std::string& duration,
                                  const std::string& text) {
    const std::string outcome = errorNumber ? "error " + std::to_string(*errorNumber) : "ok";
    return "AppleScript (" + outcome + ", " + duration + "): " + text;
}

// Error: "AppleScript failed (-1743): Not authorized to send Apple events to System Events."
inline std::string appleScriptFailure(long errorNumber, const std::string& message) {
    return "AppleScript failed (" + std::to_string(errorNumber) + "): " + message;
}

}  // namespace platform::runlog
