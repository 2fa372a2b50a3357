#include "model/Preferences.h"

#include "model/Keys.h"
#include "model/NotificationCenter.h"
#include "model/SetValidation.h"

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
    if (!shared) shared = std::make_unique<Preferences>(sharedPorts() ? *sharedPorts() : platform::platformPorts());
    return *shared;
}

void Preferences::useSharedPorts(platform::Ports ports) { sharedPorts() = std::move(ports); }

Preferences& Preferences::resetShared(platform::Ports ports) {
    auto& shared = sharedSlot();
    shared.reset();
    shared = std::make_unique<Preferences>(std::move(ports));
    return *shared;
}

void Preferences::resetShared() { sharedSlot().reset(); }

Preferences::Preferences(platform::Ports ports) : ports_(std::move(ports)), prefs_(ports_.userDefaults) {
    prefs_.registerDefaults({{keys::kCurrentSet, "0"}, {keys::kLendmode, false}});
    if (prefs_.boolean(keys::kLendmode) && prefs_.boolean(keys::kGuestSettingsApplied)) restoreOwnerSettingsLeftOn();
    setLendmode(false);
}

bool Preferences::launchOnStartup() const { return prefs_.boolean(keys::kLaunchOnStartup); }

void Preferences::setLaunchOnStartup(bool value) { prefs_.setBoolean(keys::kLaunchOnStartup, value); }

bool Preferences::lendmode() const { return prefs_.boolean(keys::kLendmode); }

void Preferences::setLendmode(bool value) {
    if (prefs_.boolean(keys::kLendmode) == value) return;
    prefs_.setBoolean(keys::kLendmode, value);
    NotificationCenter::defaultCenter().post(notifications::kLendmodeChanged);
}

std::uint64_t Preferences::currentSet() const {
    return static_cast<std::uint64_t>(prefs_.integer(keys::kCurrentSet));
}

void Preferences::setCurrentSet(std::uint64_t index) {
    prefs_.setInteger(keys::kCurrentSet, static_cast<std::int64_t>(index));
}

void Preferences::restoreOwnerSettingsLeftOn() {
    const auto stored = prefs_.object(keys::kDefinitionSets);
    const plist::Array* sets = stored ? stored->asArray() : nullptr;
    if (!sets || sets->size() < 2 || !isUsableDefinitionSet((*sets)[1])) return;
    // Set 0 tells which applications are still disabled, and so may be reopened.
    plist::Value lendmodeSet = isUsableDefinitionSet((*sets)[0]) ? (*sets)[0] : plist::Value(plist::Array{});
    definitionSets_ = plist::Array{std::move(lendmodeSet), (*sets)[1]};
    appNeedRun_.clear();
    if (const auto names = prefs_.object(keys::kAppsToReopen); names && names->isArray()) {
        for (const plist::Value& name : *names->asArray()) {
            if (name.isString()) appNeedRun_.push_back(*name.asString());
        }
    }
    // Applied as a switch-off: the owner's settings back, the quit applications reopened.
    applySet(1, /*lendmodeOn=*/false);
    prefs_.setBoolean(keys::kGuestSettingsApplied, false);
    definitionSets_.clear();
    appNeedRun_.clear();
}

}  // namespace lendmode
