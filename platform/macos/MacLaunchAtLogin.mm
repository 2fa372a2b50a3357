#include "platform/macos/MacLaunchAtLogin.h"

#import <Foundation/Foundation.h>
#import <ServiceManagement/ServiceManagement.h>

#include <cstdio>
#include <filesystem>

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
        std::fprintf(stderr, "Changing the login item failed: %s\n",
                     utf8String(error.localizedDescription).c_str());
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
            std::fprintf(stderr, "The earlier launch agent %s could not be switched off\n", earlier.c_str());
        }
        return true;
    }
    return agent.setEnabled(enabled);
}

}  // namespace platform::macos
