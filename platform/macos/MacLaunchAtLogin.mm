#include "platform/macos/MacLaunchAtLogin.h"

#import <Foundation/Foundation.h>
#import <ServiceManagement/ServiceManagement.h>

#include <unistd.h>

#include <filesystem>

#include "base/Log.h"
#include "base/Quoting.h"
#include "base/Spawn.h"
#include "platform/macos/FoundationValues.h"
#include "platform/posix/LaunchAgent.h"

namespace platform::macos {
namespace {

using State = LaunchAtLogin::State;

std::string executablePath() {
    @autoreleasepool {
        return utf8String(NSBundle.mainBundle.executablePath);
    }
}

API_AVAILABLE(macos(13.0))
State loginItemState() {
    switch (SMAppService.mainAppService.status) {
        case SMAppServiceStatusEnabled: return State::On;
        case SMAppServiceStatusRequiresApproval: return State::NeedsApproval;
        case SMAppServiceStatusNotRegistered:
        case SMAppServiceStatusNotFound:
        default: return State::Off;
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
        // Registration is refused ("Operation not permitted") for an unsigned bundle or
        // one run from a translocated copy; the README says how to sign and install it.
        lendmode::log::error("Changing the login item failed: " + utf8String(error.localizedDescription));
        return false;
    }
    // Registered, but the user switched Lendmode's login items off before: only
    // they can allow it again, in System Settings.
    if (enabled && service.status == SMAppServiceStatusRequiresApproval)
        [SMAppService openSystemSettingsLoginItems];
    return true;
}

// An agent written under an earlier macOS would start a second copy at login, and
// while its file exists System Settings lists it as a background item: it is
// unloaded from the user's launchd domain and removed.
void removeEarlierAgent(const std::string& home) {
    const std::string agent = launchagent::agentPath(launchagent::agentsDirectory(home));
    std::error_code ec;
    if (!std::filesystem::exists(agent, ec)) return;
    // Fails harmlessly when the agent is not loaded.
    (void)posix::runShell("/bin/launchctl bootout gui/" + std::to_string(::getuid()) + " " +
                              lendmode::shellQuoted(agent) + " 2>/dev/null",
                          {}, /*waitForExit=*/true);
    if (!std::filesystem::remove(agent, ec) && ec)
        lendmode::log::error("The earlier launch agent " + agent + " could not be removed: " + ec.message());
}

}  // namespace

bool MacLaunchAtLogin::setEnabled(bool enabled) {
    if (@available(macOS 13, *)) {
        if (!setLoginItem(enabled)) return false;
        removeEarlierAgent(home_);
        return true;
    }
    return LaunchAgentLogin(home_, executablePath).setEnabled(enabled);
}

LaunchAtLogin::State MacLaunchAtLogin::state() const {
    if (@available(macOS 13, *)) return loginItemState();
    return LaunchAgentLogin(home_, executablePath).state();
}

}  // namespace platform::macos
