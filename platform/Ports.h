// The ports the settings model and the engine need from the operating system,
// gathered so that the shared Preferences object can be given a complete set.
#pragma once

#include <memory>

#include "platform/AlertPresenter.h"
#include "platform/AppleScriptRunner.h"
#include "platform/AutomationConsent.h"
#include "platform/MainThread.h"
#include "platform/RecordCopy.h"
#include "platform/ScrollDirection.h"
#include "platform/ShellRunner.h"
#include "platform/SystemVersion.h"
#include "platform/UrlHandlers.h"
#include "platform/UserAccount.h"
#include "platform/UserDefaultsStore.h"

namespace platform {

struct Ports {
    std::shared_ptr<UserDefaultsStore> userDefaults;
    std::shared_ptr<ShellRunner> shell;
    std::shared_ptr<AppleScriptRunner> appleScript;
    std::shared_ptr<MainThread> mainThread;
    std::shared_ptr<UrlHandlers> urlHandlers;
    std::shared_ptr<UserAccount> account;
    std::shared_ptr<AutomationConsent> automation;
    // Tells the owner what went wrong; without one, nothing is shown.
    std::shared_ptr<AlertPresenter> alerts;
    // The second copy of the switch-on record; without one, the store alone keeps it.
    std::shared_ptr<RecordCopy> recordCopy;
    // Without one, macOS 10.14 is assumed.
    std::shared_ptr<SystemVersion> systemVersion;
    // Without one, natural scrolling is changed by UI scripting only.
    std::shared_ptr<ScrollDirection> scrollDirection;
};

// The macOS the ports run on: 10.14 when they do not say.
inline MacOSRelease releaseOf(const Ports& ports) {
    return ports.systemVersion ? ports.systemVersion->release() : MacOSRelease{};
}

}  // namespace platform
