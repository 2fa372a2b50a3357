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

// Keeps each alert and answers it with its first button.
class Preferences::CollectedAlerts::Gatherer : public platform::AlertPresenter {
public:
    std::vector<platform::Alert> alerts;
    int runModal(const platform::Alert& alert) override {
        alerts.push_back(alert);
        return 0;
    }
};

Preferences::CollectedAlerts::CollectedAlerts(Preferences& prefs)
    : prefs_(prefs), gatherer_(std::make_shared<Gatherer>()), shown_(std::move(prefs.ports_.alerts)) {
    prefs_.ports_.alerts = gatherer_;
}

Preferences::CollectedAlerts::~CollectedAlerts() {
    prefs_.ports_.alerts = std::move(shown_);
}

const std::vector<platform::Alert>& Preferences::CollectedAlerts::alerts() const {
    return gatherer_->alerts;
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
