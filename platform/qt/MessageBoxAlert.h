// Alerts as Qt message boxes, application-modal.
#pragma once

#include "platform/AlertPresenter.h"

namespace platform::qt {

class MessageBoxAlert : public platform::AlertPresenter {
public:
    int runModal(const Alert& alert) override;
};

}  // namespace platform::qt
