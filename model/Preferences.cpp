#include "model/Preferences.h"

#include "model/Keys.h"
#include "model/NotificationCenter.h"

namespace lendmode {
namespace {

std::unique_ptr<Preferences>& sharedSlot() {
    static std::unique_ptr<Preferences> shared;
    return shared;
}

}  // namespace

Preferences& Preferences::sharedPreferences() {
    auto& shared = sharedSlot();
    if (!shared) shared = std::make_unique<Preferences>(platform::platformPorts());
    return *shared;
}

Preferences& Preferences::resetShared(platform::Ports ports) {
    auto& shared = sharedSlot();
    shared.reset();
    shared = std::make_unique<Preferences>(std::move(ports));
    return *shared;
}

void Preferences::resetShared() { sharedSlot().reset(); }

Preferences::Preferences(platform::Ports ports) : ports_(std::move(ports)), prefs_(ports_.userDefaults) {
    prefs_.registerDefaults({{keys::kCurrentSet, "0"}, {keys::kLendmode, false}});
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

}  // namespace lendmode
