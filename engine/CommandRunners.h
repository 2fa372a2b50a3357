// The primitives the engine reaches the system with: shell texts, AppleScript texts.
// Every read and every change of a setting goes through one of them.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/Ports.h"

namespace lendmode {

class CommandRunners {
public:
    // The ports are read at each call: a port swapped meanwhile (the alerts) is seen.
    explicit CommandRunners(const platform::Ports& ports) : ports_(ports) {}

    // Runs the text with /bin/sh -c and returns its standard output, read to the end;
    // nothing for an empty text, output that is not UTF-8, or a shell that cannot start.
    std::optional<std::string> shell(const std::string& command) const;
    // Texts that do not depend on one another, run at once; each output as shell()
    // would give it, in the order of the texts.
    std::vector<std::optional<std::string>> shellAll(const std::vector<std::string>& commands) const;
    // Runs the text for its effect: true only when it ran and exited with status 0.
    bool shellSucceeded(const std::string& command) const;
    // Compiles and runs the AppleScript text; the result's item texts joined with "\n",
    // the empty string on any failure.
    std::string appleScript(const std::string& source) const;
    // The same, telling only whether it ran to its end.
    bool appleScriptSucceeded(const std::string& source) const;
    // The same, with the error on failure in `error`.
    bool appleScriptSucceeded(const std::string& source, std::string& error) const;
    // A script that may wait long, given up once `stop` answers true (asked from any
    // thread): the result's items joined as appleScript() joins them, or nullopt when
    // it failed or was given up.
    std::optional<std::string> appleScriptUnless(const std::string& source,
                                                 const std::function<bool()>& stop) const;

private:
    const platform::Ports& ports_;
};

}  // namespace lendmode
