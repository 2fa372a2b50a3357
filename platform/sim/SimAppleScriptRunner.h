// AppleScript run in this process by the simulated Mac's interpreter, as
// NSAppleScript runs it in the program's own process on macOS. Like the Mac's runner,
// it logs a failure as an error, and each run, with its error number and duration,
// as a debug line.
#pragma once

#include <memory>

#include "platform/AppleScriptRunner.h"
#include "sim/SimMac.h"

namespace platform::simulated {

class SimAppleScriptRunner : public AppleScriptRunner {
public:
    explicit SimAppleScriptRunner(std::shared_ptr<const sim::SimMac> mac) : mac_(std::move(mac)) {}
    std::optional<std::vector<std::string>> execute(const std::string& source) override;
    std::optional<std::vector<std::string>> execute(const std::string& source, std::string& error) override;
    // Through the simulated Mac's osascript, a process of its own that is ended when
    // `stop` answers true, as the Mac's runner does with the real one.
    std::optional<std::vector<std::string>> executeUnless(const std::string& source,
                                                          const std::function<bool()>& stop) override;

private:
    std::shared_ptr<const sim::SimMac> mac_;
};

}  // namespace platform::simulated
