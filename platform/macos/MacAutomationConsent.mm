#include "platform/macos/MacAutomationConsent.h"

#include <CoreServices/CoreServices.h>

#include <string>

#include "base/Log.h"

namespace platform::macos {

std::string bundleIdentifierOfScriptedApplication(const std::string& applicationName) {
    if (applicationName == "System Events") return "com.apple.systemevents";
    // System Settings (macOS 13 and later) kept System Preferences' identifier.
    if (applicationName == "System Preferences" || applicationName == "System Settings") {
        return "com.apple.systempreferences";
    }
    return {};
}

bool MacAutomationConsent::mayAutomate(const std::string& applicationName) {
    const std::string bundleIdentifier = bundleIdentifierOfScriptedApplication(applicationName);
    if (bundleIdentifier.empty()) return true;  // the script reports a refusal itself
    AEAddressDesc target = {};
    if (AECreateDesc(typeApplicationBundleID, bundleIdentifier.data(), bundleIdentifier.size(), &target) !=
        noErr) {
        return true;
    }
    // Any event class and id: the consent is given per application. Asking the user
    // is what the script would do anyway, and this way it happens before anything
    // changes.
    const OSStatus status = AEDeterminePermissionToAutomateTarget(&target, typeWildCard, typeWildCard, true);
    AEDisposeDesc(&target);
    if (status == errAEEventNotPermitted) return false;
    // procNotFound: the application is not running, so the system cannot answer yet;
    // the script starts it and asks.
    if (status != noErr && status != procNotFound) {
        lendmode::log::error("Automation consent for " + applicationName + ": status " +
                             std::to_string(status));
    }
    return true;
}

}  // namespace platform::macos
