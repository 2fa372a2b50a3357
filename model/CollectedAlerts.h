#pragma once

#include <memory>
#include <vector>

#include "model/Preferences.h"
#include "platform/AlertPresenter.h"

namespace lendmode {

// While one lives, the alerts the Preferences would show are kept in it instead, each
// answered with its first button (the log keeps them as ever): a switch asked from
// the command line must not wait for a click. Scopes nest; the innermost gathers.
class Preferences::CollectedAlerts {
public:
    explicit CollectedAlerts(Preferences& prefs);
    ~CollectedAlerts();
    CollectedAlerts(const CollectedAlerts&) = delete;
    CollectedAlerts& operator=(const CollectedAlerts&) = delete;
    const std::vector<platform::Alert>& alerts() const;

private:
    class Gatherer;
    Preferences& prefs_;
    std::shared_ptr<Gatherer> gatherer_;
    std::shared_ptr<platform::AlertPresenter> shown_;  // the presenter put back at the end
};

}  // namespace lendmode
