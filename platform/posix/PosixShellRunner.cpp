#include "platform/posix/PosixShellRunner.h"

#include <chrono>

#include "base/Log.h"
#include "platform/posix/RunLog.h"

namespace platform {

std::optional<std::string> PosixShellRunner::run(const std::string& commandText) {
    namespace log = lendmode::log;
    const auto start = std::chrono::steady_clock::now();
    // Standard error goes to the log, not the terminal: the tools' expected
    // complaints (a key that does not exist) would otherwise show at every switch.
    posix::ShellRun result = posix::runShell(commandText, environment_, /*waitForExit=*/false, shell_.c_str(),
                                             posix::StandardError::Capture);
    log::debug([&] { return runlog::shellRun(result, shell_, log::millisecondsSince(start), commandText); });
    if (!result.errors.empty()) log::debug([&] { return runlog::shellErrors(result.errors); });
    if (!result.started) return std::nullopt;
    return std::move(result.output);
}

}  // namespace platform
