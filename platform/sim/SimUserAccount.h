// The simulated Mac's user.
#pragma once

#include <memory>

#include "platform/UserAccount.h"
#include "sim/SimMac.h"

namespace platform::simulated {

class SimUserAccount : public UserAccount {
public:
    explicit SimUserAccount(std::shared_ptr<const sim::SimMac> mac) : mac_(std::move(mac)) {}
    std::optional<std::string> loginName() override {
        std::string name = mac_->userName();
        if (name.empty()) return std::nullopt;
        return name;
    }
    std::string homeDirectory() override { return mac_->home(); }

private:
    std::shared_ptr<const sim::SimMac> mac_;
};

}  // namespace platform::simulated
