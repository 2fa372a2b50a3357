// Whether the owner lets Lendmode send Apple events to an application (System Settings
// › Privacy & Security › Automation), asked with AEDeterminePermissionToAutomateTarget.
// The first question for an application shows the system's consent prompt.
#pragma once

#include "platform/AutomationConsent.h"

namespace platform::macos {

class MacAutomationConsent : public AutomationConsent {
public:
    bool mayAutomate(const std::string& applicationName) override;
};

// The bundle identifier of an application the scripts address by name; empty for
// one this layer does not know.
std::string bundleIdentifierOfScriptedApplication(const std::string& applicationName);

}  // namespace platform::macos
