// AppleScript through NSAppleScript, in the program's own process (so the owner's
// automation consent is given to Lendmode itself). NSAppleScript must run on the main
// thread: a call from another thread waits for the main thread to run it.
#pragma once

#include "platform/AppleScriptRunner.h"

namespace platform::macos {

class MacAppleScriptRunner : public AppleScriptRunner {
public:
    std::optional<std::vector<std::string>> execute(const std::string& source) override;
    // The error as osascript prints it: NSAppleScript's message and number.
    std::optional<std::vector<std::string>> execute(const std::string& source, std::string& error) override;
    // Through /usr/bin/osascript, ended when `stop` answers true (MacOsascript.cpp).
    std::optional<std::vector<std::string>> executeUnless(const std::string& source,
                                                          const std::function<bool()>& stop) override;
};

}  // namespace platform::macos
