#include "model/ShowAlert.h"

#include "base/Log.h"
#include "model/AlertTexts.h"

namespace lendmode {

void showAlert(platform::AlertPresenter* presenter, const std::string& message,
               const std::string& informative) {
    log::error(message + " " + informative);
    if (!presenter) return;
    platform::Alert alert;
    alert.style = platform::Alert::Style::Warning;
    alert.messageText = message;
    alert.informativeText = informative;
    alert.buttons = {alerts::kOK};
    presenter->runModal(alert);
}

}  // namespace lendmode
