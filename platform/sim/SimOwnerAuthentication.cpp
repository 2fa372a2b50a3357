#include "platform/sim/SimOwnerAuthentication.h"

#include <utility>

#include "sim/OwnerPassword.h"

namespace platform::simulated {

OwnerAuthentication::Outcome SimOwnerAuthentication::authenticate(const std::string& reason) {
    const sim::OwnerPassword password(*mac_);
    if (!password.isSet() || !prompt_) return Outcome::Unavailable;
    const std::optional<std::string> typed = prompt_(reason, std::exchange(lastDenied_, false));
    if (!typed) return Outcome::Cancelled;
    // Removed while the prompt was open: there is nothing left to check against.
    const std::optional<bool> matches = password.matches(*typed);
    if (!matches) return Outcome::Unavailable;
    lastDenied_ = !*matches;
    return *matches ? Outcome::Granted : Outcome::Denied;
}

}  // namespace platform::simulated
