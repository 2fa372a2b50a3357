#include "platform/macos/MacLaunchAtLogin.h"

#import <Foundation/Foundation.h>
#import <ServiceManagement/ServiceManagement.h>

#include <filesystem>

#include "base/Log.h"
#include "platform/macos/FoundationValues.h"
#include "platform/posix/LaunchAgent.h"

namespace platform::macos {
namespace {

std::string executablePath() {
    @autoreleasepool {
        return utf8String(NSBundle.mainBundle.executablePath);
    }
}

API_AVAILABLE(macos(13.0))
bool setLoginItem(bool enabled) {
    SMAppService* service = SMAppService.mainAppService;
    if (!enabled && service.status == SMAppServiceStatusNotRegistered) return true;
    NSError* error = nil;
    const BOOL done =
        enabled ? [service registerAndReturnError:&error] : [service unregisterAndReturnError:&error];
    if (!done) {
        lendmode::log::error("Changing the login item failed: " + utf8String(error.localizedDescription));
        return false;
    }
    // Registered, but the user switched Lendmode's login items off before: only
    // they can allow it again, in System Settings.
    if (enabled && service.status == SMAppServiceStatusRequiresApproval)
        [SMAppService openSystemSettingsLoginItems];
    return true;
}

}  // namespace

bool MacLaunchAtLogin::setEnabled(bool enabled) {
    LaunchAgentLogin agent(home_, executablePath);
    if (@available(macOS 13, *)) {
        if (!setLoginItem(enabled)) return false;
        // An agent written under an earlier macOS would start a second copy at login.
        std::error_code ec;
        const std::string earlier = launchagent::agentsDirectory(home_) + launchagent::kLabel + ".plist";
        if (std::filesystem::exists(earlier, ec) && !agent.setEnabled(false)) {
            lendmode::log::error("The earlier launch agent " + earlier + " could not be switched off");
        }
        return true;
    }
    return agent.setEnabled(enabled);
}

}  // namespace platform::macos
