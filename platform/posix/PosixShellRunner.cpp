#include "platform/posix/PosixShellRunner.h"

#include <chrono>

#include "base/Log.h"
#include "platform/posix/RunLog.h"

namespace platform {

std::optional<std::string> PosixShellRunner::run(const std::string& commandText) {
    return std::move(runAll({commandText}).front());
}

std::vector<std::optional<std::string>> PosixShellRunner::runAll(
    const std::vector<std::string>& commandTexts) {
    namespace log = lendmode::log;
    const auto start = std::chrono::steady_clock::now();
    // Standard error goes to the log, not the terminal: the tools' expected
    // complaints (a key that does not exist) would otherwise show at every switch.
    std::vector<posix::ShellRun> results = posix::runShells(commandTexts, environment_, /*waitForExit=*/false,
                                                            shell_.c_str(), posix::StandardError::Capture);
    std::vector<std::optional<std::string>> outputs;
    outputs.reserve(results.size());
    for (std::size_t i = 0; i < results.size(); ++i) {
        const posix::ShellRun& result = results[i];
        log::debug(
            [&] { return runlog::shellRun(result, shell_, log::millisecondsSince(start), commandTexts[i]); });
        if (!result.errors.empty()) log::debug([&] { return runlog::shellErrors(result.errors); });
        outputs.push_back(result.started ? std::optional<std::string>(std::move(results[i].output))
                                         : std::nullopt);
    }
    return outputs;
}

bool PosixShellRunner::runSucceeded(const std::string& commandText) {
    namespace log = lendmode::log;
    const auto start = std::chrono::steady_clock::now();
    const posix::ShellRun result = posix::runShell(commandText, environment_, /*waitForExit=*/true,
                                                   shell_.c_str(), posix::StandardError::Capture);
    log::debug([&] { return runlog::shellRun(result, shell_, log::millisecondsSince(start), commandText); });
    if (!result.errors.empty()) log::debug([&] { return runlog::shellErrors(result.errors); });
    return result.started && result.exitStatus == 0;
}

std::optional<std::string> PosixShellRunner::runUnless(const std::string& commandText,
                                                       const std::function<bool()>& stop) {
    namespace log = lendmode::log;
    const auto start = std::chrono::steady_clock::now();
    posix::ShellRun result =
        posix::runShellUnless(commandText, environment_, stop, shell_.c_str(), posix::StandardError::Capture);
    log::debug([&] { return runlog::shellRun(result, shell_, log::millisecondsSince(start), commandText); });
    if (!result.errors.empty()) log::debug([&] { return runlog::shellErrors(result.errors); });
    if (!result.started || result.stopped || result.exitStatus != 0) return std::nullopt;
    return std::move(result.output);
}

}  // namespace platform
