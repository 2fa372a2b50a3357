// Port: compiles and runs one AppleScript text, as NSAppleScript does in the
// program's own process.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace platform {

class AppleScriptRunner {
public:
    virtual ~AppleScriptRunner() = default;
    // The string values of the result's items (the result coerced to a list; a script
    // without a result gives an empty list), or nullopt when the script failed to
    // compile or run.
    virtual std::optional<std::vector<std::string>> execute(const std::string& source) = 0;
    // The same, with the error on failure in `error`: its message and number as
    // osascript prints them ("System Events got an error: … (-1719)").
    virtual std::optional<std::vector<std::string>> execute(const std::string& source, std::string& error) {
        auto items = execute(source);
        if (!items) error = "The script stopped with an error.";
        return items;
    }
    // A script that may wait long (a quit that the application answers with "Do you
    // want to save…"): as execute, but given up once `stop` answers true (asked often,
    // from any thread), which gives nullopt. The application goes on asking its
    // question; only the script stops waiting. Here: execute, `stop` not asked.
    virtual std::optional<std::vector<std::string>> executeUnless(const std::string& source,
                                                                  const std::function<bool()>& stop) {
        (void)stop;
        return execute(source);
    }
};

}  // namespace platform
