#include "model/CollectedAlerts.h"

#include <utility>

namespace lendmode {

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

}  // namespace lendmode
