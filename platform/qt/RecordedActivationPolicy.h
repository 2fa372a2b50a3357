// The activation policy where the platform has none to switch (Linux): the policy is
// remembered, so the program and its tests can see what it asked for.
#pragma once

#include "platform/ActivationPolicy.h"

namespace platform::qt {

class RecordedActivationPolicy : public ActivationPolicy {
public:
    void setActivationPolicy(Policy policy) override { policy_ = policy; }
    Policy activationPolicy() const override { return policy_; }
    void activateIgnoringOtherApps() override { ++activations_; }
    int activations() const { return activations_; }

private:
    Policy policy_ = Policy::Accessory;
    int activations_ = 0;
};

}  // namespace platform::qt
