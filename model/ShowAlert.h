// Telling the owner of a refusal or a failure.
#pragma once

#include <string>

#include "platform/AlertPresenter.h"

namespace lendmode {

// A warning with one "OK" button; the log keeps it too. Nothing is shown without a
// presenter.
void showAlert(platform::AlertPresenter* presenter, const std::string& message,
               const std::string& informative);

}  // namespace lendmode
