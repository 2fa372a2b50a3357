// Port: facts about the user the program runs for.
#pragma once

#include <optional>
#include <string>

namespace platform {

class UserAccount {
public:
    virtual ~UserAccount() = default;
    // The login name (NSUserName on macOS); nothing when there is none.
    virtual std::optional<std::string> loginName() = 0;
    // The user's home folder, whose Library holds the per-user launch agents.
    virtual std::string homeDirectory() = 0;
};

}  // namespace platform
