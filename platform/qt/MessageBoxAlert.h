// Alerts as Qt message boxes, application-modal.
#pragma once

#include <functional>

#include "platform/AlertPresenter.h"

class QWidget;

namespace platform::qt {

class MessageBoxAlert : public platform::AlertPresenter {
public:
    // `whenShown` runs once the box is on screen, inside its modal loop: where a
    // platform makes sure the box is seen (above other applications, on every Space).
    explicit MessageBoxAlert(std::function<void(QWidget&)> whenShown = {})
        : whenShown_(std::move(whenShown)) {}
    int runModal(const Alert& alert) override;

private:
    std::function<void(QWidget&)> whenShown_;
};

}  // namespace platform::qt
