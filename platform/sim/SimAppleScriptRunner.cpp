#include "platform/sim/SimAppleScriptRunner.h"

#include <chrono>

#include "base/Log.h"
#include "base/Quoting.h"
#include "base/Strings.h"
#include "platform/posix/PosixShellRunner.h"
#include "platform/posix/RunLog.h"
#include "sim/SimEnvironment.h"
#include "sim/applescript/AppleScript.h"

namespace platform::simulated {

std::optional<std::vector<std::string>> SimAppleScriptRunner::execute(const std::string& source) {
    std::string error;
    return execute(source, error);
}

std::optional<std::vector<std::string>> SimAppleScriptRunner::execute(const std::string& source,
                                                                      std::string& error) {
    namespace log = lendmode::log;
    const auto start = std::chrono::steady_clock::now();
    const sim::applescript::Outcome outcome = sim::applescript::run(source, *mac_);
    log::debug([&] {
        const auto number = outcome.error ? std::optional<long>(outcome.error->number) : std::nullopt;
        return runlog::appleScriptRun(number, log::millisecondsSince(start), source);
    });
    if (!outcome.ok()) {
        // As the Mac's runner reports it: the error number tells a refused automation (-1743).
        log::error(runlog::appleScriptFailure(outcome.error->number, outcome.error->message));
        error = outcome.error->message + " (" + std::to_string(outcome.error->number) + ")";
        return std::nullopt;
    }
    std::vector<std::string> items;
    if (!outcome.result) return items;
    // The result coerced to a list: a list gives its items, anything else one item.
    if (const plist::Array* list = outcome.result->asArray()) {
        for (const plist::Value& item : *list) items.push_back(sim::applescript::formatResult(item));
    } else {
        items.push_back(sim::applescript::formatResult(*outcome.result));
    }
    return items;
}

std::optional<std::vector<std::string>> SimAppleScriptRunner::executeUnless(
    const std::string& source, const std::function<bool()>& stop) {
    PosixShellRunner shell(sim::shellEnvironment(*mac_));
    const auto output = shell.runUnless("osascript -e " + lendmode::shellQuoted(source), stop);
    if (!output) return std::nullopt;
    // osascript prints the result and a line feed; a one-item result is all the callers
    // of this ask for.
    std::vector<std::string> items = lendmode::lines(*output);
    std::erase(items, std::string());
    return items;
}

}  // namespace platform::simulated
