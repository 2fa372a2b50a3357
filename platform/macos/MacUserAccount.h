// The user Lendmode runs for: the login name from NSUserName, the home folder from the
// password database (NSHomeDirectory would give a sandbox container's).
#pragma once

#include "platform/UserAccount.h"

namespace platform::macos {

class MacUserAccount : public UserAccount {
public:
    std::optional<std::string> loginName() override;
    std::string homeDirectory() override;
};

}  // namespace platform::macos
