// Keeping a window of an accessory application in sight: above other applications'
// windows whether or not Lendmode is active (activating is only a request from macOS
// 14), on the Space the owner is looking at, and beside a full-screen window (a
// presentation). Alerts float at the modal-panel level, a notice at the floating one.
#pragma once

class QWidget;

namespace platform::macos {

enum class FloatLevel { Alert, Notice };

void floatAboveOtherApplications(QWidget& window, FloatLevel level);

}  // namespace platform::macos
