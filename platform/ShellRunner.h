// Port: runs one command text with /bin/sh -c and collects its standard output.
#pragma once

#include <optional>
#include <string>

namespace platform {

class ShellRunner {
public:
    virtual ~ShellRunner() = default;
    // The bytes the command wrote to standard output, read until every writer has
    // closed it; nullopt when the shell could not be started.
    virtual std::optional<std::string> run(const std::string& commandText) = 0;
};

}  // namespace platform
