// The application's activation policy and activation, through NSApplication.
#pragma once

#include "platform/ActivationPolicy.h"

namespace platform::macos {

class MacActivationPolicy : public platform::qt::ActivationPolicy {
public:
    void setActivationPolicy(Policy policy) override;
    Policy activationPolicy() const override;
    void activateIgnoringOtherApps() override;
};

}  // namespace platform::macos
