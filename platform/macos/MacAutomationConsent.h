// Whether the owner lets Lendmode send Apple events to an application (System Settings
// › Privacy & Security › Automation), asked with AEDeterminePermissionToAutomateTarget,
// and whether it may script other applications' interface (› Accessibility). The first
// question about an application shows the system's consent prompt.
#pragma once

#include "platform/AutomationConsent.h"

namespace platform::macos {

class MacAutomationConsent : public AutomationConsent {
public:
    // Modal: returns when the owner has answered. A target that is not running is
    // started hidden first (for at most 10 s), since the system answers only about a
    // running one. The main thread's run loop keeps going while it waits.
    bool mayAutomate(const std::string& applicationName) override;
    bool accessibilityAllowed() override;
};

}  // namespace platform::macos
