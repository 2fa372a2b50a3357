#include "model/Preferences.h"

#include <stdexcept>

#include "model/Keys.h"

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

bool Preferences::launchOnStartup() const {
    return prefs_.boolean(keys::kLaunchOnStartup);
}

bool Preferences::setLaunchOnStartup(bool value) {
    return prefs_.setBoolean(keys::kLaunchOnStartup, value);
}

bool Preferences::setOwnerLockRequired(bool value) {
    if (!prefs_.setBoolean(keys::kOwnerLockRequired, value)) return false;
    ownerLockRequired_ = value;
    return true;
}

void Preferences::runMainThreadBlock(std::function<void()> block) {
    if (!block) return;
    platform::MainThread& mainThread = *sharedPreferences().ports_.mainThread;
    if (mainThread.isMainThread()) {
        block();
    } else {
        mainThread.post(std::move(block));
    }
}

}  // namespace lendmode
