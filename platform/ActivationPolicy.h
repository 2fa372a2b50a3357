// Port: whether the program shows in the Dock and menu bar (regular) or only as its
// status item (accessory), and bringing it to the front.
#pragma once

namespace platform::qt {

class ActivationPolicy {
public:
    enum class Policy { Regular = 0, Accessory = 1 };
    virtual ~ActivationPolicy() = default;
    virtual void setActivationPolicy(Policy policy) = 0;
    virtual Policy activationPolicy() const = 0;
    virtual void activateIgnoringOtherApps() = 0;
};

}  // namespace platform::qt
