// Port: whether the owner lets this program send Apple events to an application
// (System Settings › Privacy & Security › Automation on macOS), and whether it may
// script other applications' user interface (› Accessibility). Asked before a switch,
// so that a refusal changes nothing rather than stopping a script half-way.
#pragma once

#include <string>

namespace platform {

class AutomationConsent {
public:
    virtual ~AutomationConsent() = default;
    // Asks the owner when they have not been asked about this target yet, and waits
    // for the answer. The system answers only about a running target, so one that is
    // not running is started first, hidden. False only when the events are refused;
    // an answer the system cannot give (a target that cannot be started) counts as
    // allowed, and the script reports any failure.
    virtual bool mayAutomate(const std::string& applicationName) = 0;
    // Whether UI scripting (clicks sent through System Events) is allowed.
    virtual bool accessibilityAllowed() = 0;
};

}  // namespace platform
