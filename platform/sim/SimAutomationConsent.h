// The simulated Mac's automation permissions (`lendmode-sim automation`).
#pragma once

#include <memory>

#include "platform/AutomationConsent.h"
#include "sim/SimMac.h"

namespace platform::simulated {

class SimAutomationConsent : public AutomationConsent {
public:
    explicit SimAutomationConsent(std::shared_ptr<const sim::SimMac> mac) : mac_(std::move(mac)) {}
    bool mayAutomate(const std::string& applicationName) override {
        return mac_->automationAllowed(applicationName);
    }

private:
    std::shared_ptr<const sim::SimMac> mac_;
};

}  // namespace platform::simulated
