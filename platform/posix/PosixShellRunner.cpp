#include "platform/posix/PosixShellRunner.h"

namespace platform {

std::optional<std::string> PosixShellRunner::run(const std::string& commandText) {
    posix::ShellRun result =
        posix::runShell(commandText, environment_, /*waitForExit=*/false, shell_.c_str());
    if (!result.started) return std::nullopt;
    return std::move(result.output);
}

}  // namespace platform
