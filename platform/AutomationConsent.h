// Port: whether the owner lets this program send Apple events to an application
// (System Settings › Privacy & Security › Automation on macOS). Asked before a switch,
// so that a refusal changes nothing rather than stopping a script half-way.
#pragma once

#include <string>

namespace platform {

class AutomationConsent {
public:
    virtual ~AutomationConsent() = default;
    // False only when the events are known to be refused; an answer the system
    // cannot give yet counts as allowed, and the script reports any failure.
    virtual bool mayAutomate(const std::string& applicationName) = 0;
};

}  // namespace platform
