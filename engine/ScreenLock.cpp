#include "engine/ScreenLock.h"

#include "base/Log.h"
#include "engine/ScriptTexts.h"

namespace lendmode {
namespace {

constexpr const char* kLockShortcut =
    "tell application \"System Events\" to keystroke \"q\" using {control down, command down}";
constexpr const char* kDisplaySleep = "pmset displaysleepnow";

}  // namespace

ScreenLockWay lockScreen(const CommandRunners& run, const platform::Ports& ports) {
    platform::AutomationConsent* consent = ports.automation.get();
    const bool mayPress =
        consent && consent->accessibilityAllowed() && consent->mayAutomate(texts::kSystemEventsName);
    if (mayPress) {
        std::string error;
        if (run.appleScriptSucceeded(kLockShortcut, error)) {
            log::info("locked the screen with the Lock Screen shortcut");
            return ScreenLockWay::Shortcut;
        }
        log::info("the Lock Screen shortcut failed (" + error + "); the display is put to sleep");
    }
    if (run.shellSucceeded(kDisplaySleep)) {
        log::info("put the display to sleep: it locks when a password is required at once after sleep");
        return ScreenLockWay::DisplaySleep;
    }
    log::error("could not lock the screen");
    return ScreenLockWay::Failed;
}

}  // namespace lendmode
