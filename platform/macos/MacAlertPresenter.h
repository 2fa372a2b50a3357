// Alerts on macOS: Qt message boxes that are always seen. Since macOS 14 activating
// the application is only a request ("doesn't guarantee app activation"), so an
// accessory application's alert could open behind the application in front (the one
// just launched and quit, for a blocked launch). The box is therefore raised to the
// modal-panel level, above every application's ordinary windows, and shown on every
// Space and beside full-screen windows, whether or not the activation is granted.
#pragma once

#include "platform/AlertPresenter.h"
#include "platform/macos/MacActivationPolicy.h"
#include "platform/qt/MessageBoxAlert.h"

namespace platform::macos {

class MacAlertPresenter : public platform::AlertPresenter {
public:
    MacAlertPresenter();
    int runModal(const Alert& alert) override;

private:
    MacActivationPolicy activation_;
    platform::qt::MessageBoxAlert dialog_;
};

}  // namespace platform::macos
