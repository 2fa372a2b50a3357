#include "platform/macos/MacAlertPresenter.h"

namespace platform::macos {

int MacAlertPresenter::runModal(const Alert& alert) {
    activation_.activateIgnoringOtherApps();
    return dialog_.runModal(alert);
}

}  // namespace platform::macos
