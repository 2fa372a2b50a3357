#include "model/Preferences.h"

#include <stdexcept>

#include "base/Log.h"
#include "model/AlertTexts.h"
#include "model/Keys.h"
#include "model/NotificationCenter.h"

namespace lendmode {
namespace {

std::unique_ptr<Preferences>& sharedSlot() {
    static std::unique_ptr<Preferences> shared;
    return shared;
}

std::optional<platform::Ports>& sharedPorts() {
    static std::optional<platform::Ports> ports;
    return ports;
}

}  // namespace

Preferences& Preferences::sharedPreferences() {
    auto& shared = sharedSlot();
    if (!shared) {
        // The program installs its platform's ports first; the model knows no platform.
        if (!sharedPorts() || !sharedPorts()->userDefaults)
            throw std::logic_error("Preferences: no ports were installed (useSharedPorts)");
        shared = std::make_unique<Preferences>(*sharedPorts());
    }
    return *shared;
}

void Preferences::useSharedPorts(platform::Ports ports) {
    sharedPorts() = std::move(ports);
}

Preferences& Preferences::resetShared(platform::Ports ports) {
    auto& shared = sharedSlot();
    shared.reset();
    shared = std::make_unique<Preferences>(std::move(ports));
    return *shared;
}

void Preferences::resetShared() {
    sharedSlot().reset();
}

Preferences::Preferences(platform::Ports ports) : ports_(std::move(ports)), prefs_(ports_.userDefaults) {
    prefs_.registerDefaults({{keys::kCurrentSet, "0"}, {keys::kLendmode, false}});
    if (const auto aside = prefs_.store().takeMovedAsideDamagedStore()) {
        showAlert(alerts::kDamagedStoreMessage, alerts::filledIn(alerts::kDamagedStoreText, *aside));
    }
    lendmode_ = prefs_.boolean(keys::kLendmode);
    ownerLockRequired_ = prefs_.boolean(keys::kOwnerLockRequired);
    // Guest settings left on the system by a process that ended without switching
    // off (a crash, a kill) are taken off first, whatever the flag says, so that they
    // are never taken for the owner's. The record copy tells of them too when the
    // store lost its record.
    std::optional<plist::Dictionary> record = leftOnRecord();
    guestSettingsApplied_ = record.has_value();
    bool stillOn = false;
    if (record) stillOn = !restoreOwnerSettingsLeftOn(std::move(*record));
    if (!setLendmode(stillOn)) log::error("could not store whether Lendmode is on");
}

bool Preferences::launchOnStartup() const {
    return prefs_.boolean(keys::kLaunchOnStartup);
}

bool Preferences::setLaunchOnStartup(bool value) {
    return prefs_.setBoolean(keys::kLaunchOnStartup, value);
}

bool Preferences::ownerLockRequired() const {
    return ownerLockRequired_;
}

bool Preferences::setOwnerLockRequired(bool value) {
    if (!prefs_.setBoolean(keys::kOwnerLockRequired, value)) return false;
    ownerLockRequired_ = value;
    return true;
}

bool Preferences::setLendmode(bool value, bool withSwitch) {
    if (lendmode_ == value) return true;
    // Not stored (a full disk): this process still goes by the new value, so that a
    // refused switch-on really leaves Lendmode off; a new start resets it anyway.
    const bool stored = !withSwitch && prefs_.setBoolean(keys::kLendmode, value);
    lendmode_ = value;
    unstoredLendmode_ = stored ? std::nullopt : std::optional<bool>(value);
    NotificationCenter::defaultCenter().post(notifications::kLendmodeChanged);
    return stored || withSwitch;
}

void Preferences::switchLendmode(bool on, const std::function<void()>& completion) {
    setLendmode(on, /*withSwitch=*/true);
    if (on) {
        applaySelectedDefinitionCompletion(completion);
    } else {
        restoreDefinitionSetsCompletion(completion);
    }
}

void Preferences::storeUnstoredFlag() {
    if (unstoredLendmode_ && prefs_.setBoolean(keys::kLendmode, *unstoredLendmode_))
        unstoredLendmode_.reset();
}

void Preferences::addUnstoredFlag(plist::Dictionary& change) const {
    if (unstoredLendmode_) change.insert_or_assign(keys::kLendmode, *unstoredLendmode_);
}

std::uint64_t Preferences::currentSet() const {
    return static_cast<std::uint64_t>(prefs_.integer(keys::kCurrentSet));
}

void Preferences::setCurrentSet(std::uint64_t index) {
    (void)prefs_.setInteger(keys::kCurrentSet, static_cast<std::int64_t>(index));
}

void Preferences::showAlert(const std::string& message, const std::string& informative) const {
    // Every alert tells of a refusal or a failure: the log keeps it too.
    log::error(message + " " + informative);
    if (!ports_.alerts) return;
    platform::Alert alert;
    alert.style = platform::Alert::Style::Warning;
    alert.messageText = message;
    alert.informativeText = informative;
    alert.buttons = {alerts::kOK};
    ports_.alerts->runModal(alert);
}

}  // namespace lendmode
