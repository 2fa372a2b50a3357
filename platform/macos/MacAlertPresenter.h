// Alerts on macOS: Qt message boxes, shown after bringing the application to the
// front, since an accessory application's window otherwise opens behind the front
// application.
#pragma once

#include "platform/AlertPresenter.h"
#include "platform/macos/MacActivationPolicy.h"
#include "platform/qt/MessageBoxAlert.h"

namespace platform::macos {

class MacAlertPresenter : public platform::AlertPresenter {
public:
    int runModal(const Alert& alert) override;

private:
    MacActivationPolicy activation_;
    platform::qt::MessageBoxAlert dialog_;
};

}  // namespace platform::macos
