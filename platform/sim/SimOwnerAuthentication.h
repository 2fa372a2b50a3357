// Owner authentication on the simulated Mac: its owner's password (`lendmode-sim
// password`), asked for through a prompt (the Qt password dialog in the program) and
// checked against the stored hash.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/OwnerAuthentication.h"
#include "sim/SimMac.h"

namespace platform::simulated {

class SimOwnerAuthentication : public OwnerAuthentication {
public:
    // Asks for the password, saying what for, and that the last answer was wrong
    // when `again`; nullopt when the owner cancels.
    using Prompt = std::function<std::optional<std::string>(const std::string& reason, bool again)>;

    SimOwnerAuthentication(std::shared_ptr<const sim::SimMac> mac, Prompt prompt)
        : mac_(std::move(mac)), prompt_(std::move(prompt)) {}

    // Unavailable without a password (nothing is asked); otherwise Granted or Denied
    // by the typed password, Cancelled when the prompt was.
    Outcome authenticate(const std::string& reason) override;

private:
    std::shared_ptr<const sim::SimMac> mac_;
    Prompt prompt_;
    bool lastDenied_ = false;  // the next question says the last answer was wrong
};

}  // namespace platform::simulated
