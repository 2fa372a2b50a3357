#include "ui/ApplicationTick.h"

#include "model/Preferences.h"
#include "ui/OwnerLock.h"
#include "ui/Tags.h"

namespace lendmode {

bool tickApplication(Preferences& prefs, const QAbstractButton* box) {
    if (!box || ui::tagOf(box) < 0) return true;
    if (!OwnerLock::shared().allows(lock::kChangeBlocked)) return false;
    prefs.setAppDisable(ui::isOn(box), static_cast<std::uint64_t>(ui::tagOf(box)));
    return true;
}

}  // namespace lendmode
