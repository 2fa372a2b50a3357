// Port: runs command texts with /bin/sh -c and collects their standard output.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace platform {

class ShellRunner {
public:
    virtual ~ShellRunner() = default;
    // The bytes the command wrote to standard output, read until every writer has
    // closed it; nullopt when the shell could not be started.
    virtual std::optional<std::string> run(const std::string& commandText) = 0;
    // Commands that do not depend on one another, run at once where the runner can;
    // the outputs in the order of the texts. Here, one after another.
    virtual std::vector<std::optional<std::string>> runAll(const std::vector<std::string>& commandTexts) {
        std::vector<std::optional<std::string>> outputs;
        outputs.reserve(commandTexts.size());
        for (const std::string& text : commandTexts) outputs.push_back(run(text));
        return outputs;
    }
    // Runs the command for its effect alone: true only when the shell started and
    // exited with status 0, so that a caller can tell that a write did not happen.
    // Here: when it started.
    [[nodiscard]] virtual bool runSucceeded(const std::string& commandText) {
        return run(commandText).has_value();
    }
    // What a command that may never end gives: its output when it exited with status 0;
    // nullopt when it failed, could not start, or was ended because `stop` answered true
    // (asked often, from any thread) before it was done. Here: run, and stop ignored.
    virtual std::optional<std::string> runUnless(const std::string& commandText,
                                                 const std::function<bool()>& stop) {
        (void)stop;
        return run(commandText);
    }
};

}  // namespace platform
