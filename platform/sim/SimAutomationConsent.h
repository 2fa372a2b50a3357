// The simulated Mac's automation and Accessibility permissions (`lendmode-sim
// automation`, `lendmode-sim accessibility`), asked as the Mac's port asks them: the
// system answers only about a running target, so one that is not running is started
// hidden first.
#pragma once

#include <memory>

#include "platform/AutomationConsent.h"
#include "sim/SimMac.h"

namespace platform::simulated {

class SimAutomationConsent : public AutomationConsent {
public:
    explicit SimAutomationConsent(std::shared_ptr<const sim::SimMac> mac) : mac_(std::move(mac)) {}
    bool mayAutomate(const std::string& applicationName) override {
        using Answer = sim::SimMac::AutomationAnswer;
        Answer answer = mac_->askAutomation(applicationName, /*askIfNeeded=*/true);
        if (answer == Answer::NotRunning && mac_->startHidden(applicationName))
            answer = mac_->askAutomation(applicationName, /*askIfNeeded=*/true);
        return answer != Answer::Refused;
    }
    bool accessibilityAllowed() override { return mac_->accessibilityAllowed(); }

private:
    std::shared_ptr<const sim::SimMac> mac_;
};

}  // namespace platform::simulated
