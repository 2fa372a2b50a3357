// Port: asks whoever sits at the Mac to prove they are its owner, before the owner
// lock lets an action through (Touch ID or the account password on macOS, the
// simulated owner's password on the simulated Mac).
#pragma once

#include <string>

namespace platform {

class OwnerAuthentication {
public:
    enum class Outcome { Granted, Denied, Cancelled, Unavailable };

    virtual ~OwnerAuthentication() = default;
    // Asks the owner to prove who they are, `reason` saying what for ("turn Lendmode
    // off"). Returns when answered (modal). Unavailable: there is no way to ask (no
    // password set, no policy the system can evaluate).
    virtual Outcome authenticate(const std::string& reason) = 0;
};

}  // namespace platform
