#include "platform/macos/MacAlertPresenter.h"

#include "platform/macos/MacFloatingWindow.h"

namespace platform::macos {

MacAlertPresenter::MacAlertPresenter()
    : dialog_([](QWidget& box) { floatAboveOtherApplications(box, FloatLevel::Alert); }) {}

int MacAlertPresenter::runModal(const Alert& alert) {
    activation_.activateIgnoringOtherApps();
    return dialog_.runModal(alert);
}

}  // namespace platform::macos
