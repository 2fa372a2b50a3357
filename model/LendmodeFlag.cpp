#include "model/LendmodeFlag.h"

#include "model/Keys.h"
#include "model/NotificationCenter.h"

namespace lendmode {

bool LendmodeFlag::set(bool value, bool withSwitch) {
    if (value_ == value) return true;
    // Not stored (a full disk): this process still goes by the new value, so that a
    // refused switch-on really leaves Lendmode off; a new start resets it anyway.
    const bool stored = !withSwitch && prefs_.setBoolean(keys::kLendmode, value);
    value_ = value;
    unstored_ = stored ? std::nullopt : std::optional<bool>(value);
    NotificationCenter::defaultCenter().post(notifications::kLendmodeChanged);
    return stored || withSwitch;
}

void LendmodeFlag::addUnstored(plist::Dictionary& change) const {
    if (unstored_) change.insert_or_assign(keys::kLendmode, *unstored_);
}

void LendmodeFlag::storeUnstored() {
    if (unstored_ && prefs_.setBoolean(keys::kLendmode, *unstored_)) unstored_.reset();
}

}  // namespace lendmode
