// Alerts as Qt message boxes, application-modal.
#pragma once

#include "platform/qt/AlertPresenter.h"

namespace platform::qt {

class MessageBoxAlert : public AlertPresenter {
public:
    int runModal(const Alert& alert) override;
};

}  // namespace platform::qt
