// Owner authentication on a Mac: LocalAuthentication's device-owner policy, which asks
// for Touch ID (or a paired Apple Watch) or the account password. Lendmode stores
// nothing: the system checks the answer.
#pragma once

#include "platform/OwnerAuthentication.h"

namespace platform::macos {

// No state: each question gets a new LAContext, since a context that has once been
// answered would let the next question through unasked.
class MacOwnerAuthentication : public OwnerAuthentication {
public:
    // Modal: returns when the owner has answered. On the main thread it runs the main
    // run loop meanwhile (the system's dialog and the program's windows keep working);
    // elsewhere it just waits.
    Outcome authenticate(const std::string& reason) override;
};

}  // namespace platform::macos
