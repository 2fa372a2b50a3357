#include "ui/OwnerLock.h"

#include "model/AlertTexts.h"
#include "model/Keys.h"
#include "model/NotificationCenter.h"
#include "model/Preferences.h"
#include "platform/QtPorts.h"

namespace lendmode {
namespace {

using Result = OwnerLockGate::Result;

void showAlert(const Preferences& prefs, const std::string& message, const std::string& informative) {
    const auto& alerts = prefs.ports().alerts;
    if (!alerts) return;
    platform::Alert alert;
    alert.messageText = message;
    alert.informativeText = informative;
    alert.buttons = {alerts::kOK};
    alerts->runModal(alert);
}

}  // namespace

OwnerLock& OwnerLock::shared() {
    static std::unique_ptr<OwnerLock> lock;
    const auto& authentication = platform::qt::qtPorts().ownerAuthentication;
    if (!lock || lock->authentication_ != authentication) {
        lock = std::make_unique<OwnerLock>([]() -> Preferences& { return Preferences::sharedPreferences(); },
                                           authentication);
    }
    return *lock;
}

OwnerLock::OwnerLock(std::function<Preferences&()> prefs,
                     std::shared_ptr<platform::OwnerAuthentication> authentication,
                     OwnerLockGate::Clock clock)
    : prefs_(std::move(prefs)),
      authentication_(authentication),
      gate_(std::move(authentication), std::move(clock)) {}

bool OwnerLock::engaged() const {
    return prefs_().lendmode() && prefs_().ownerLockRequired();
}

Result OwnerLock::ask(const std::string& reason) {
    if (!engaged()) return Result::Granted;
    return gate_.authenticate(reason);
}

std::string OwnerLock::refusalText(Result result) const {
    switch (result) {
        case Result::Granted: return "";
        case Result::Denied: return "locked: the owner's password was wrong";
        case Result::Cancelled: return "locked: the owner's password was not given";
        case Result::Unavailable: return "locked: the owner's password cannot be checked on this computer";
        case Result::Waiting:
            return "locked: too many wrong passwords; try again in " +
                   std::to_string(gate_.waitLeft().count()) + " s";
    }
    return "locked";
}

// A wrong password asks again, as the system's own prompts do, until the owner gets
// it right or cancels, or the gate makes them wait. A wait, or no way to ask, is
// said in an alert.
bool OwnerLock::askTellingWhy(const std::string& reason, const char* unavailableTitle,
                              const char* unavailableText) {
    Result result = Result::Denied;
    while (result == Result::Denied) result = gate_.authenticate(reason);
    if (result == Result::Waiting) {
        showAlert(prefs_(), alerts::kOwnerLockWait,
                  alerts::filledIn(alerts::kOwnerLockWaitText, std::to_string(gate_.waitLeft().count())));
    } else if (result == Result::Unavailable) {
        showAlert(prefs_(), unavailableTitle, unavailableText);
    }
    return result == Result::Granted;
}

bool OwnerLock::allows(const std::string& reason) {
    return !engaged() ||
           askTellingWhy(reason, alerts::kOwnerLockUnavailable, alerts::kOwnerLockUnavailableText);
}

bool OwnerLock::setRequired(bool value) {
    if (prefs_().ownerLockRequired() == value) return true;
    if (!value && engaged()) {
        showAlert(prefs_(), alerts::kOwnerLockStays, alerts::kOwnerLockStaysText);
        return false;
    }
    // Set only once the owner has answered: a lock nobody can open is never set.
    if (value && !askTellingWhy(lock::kSetLock, alerts::kOwnerLockNotSet, alerts::kOwnerLockNotSetText)) {
        return false;
    }
    if (!prefs_().setOwnerLockRequired(value)) {
        showAlert(prefs_(), alerts::kOwnerLockNotStored, alerts::kOwnerLockNotStoredText);
        return false;
    }
    NotificationCenter::defaultCenter().post(notifications::kRowValueChanged);
    return true;
}

}  // namespace lendmode
