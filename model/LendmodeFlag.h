// The Lendmode flag ("LM002") as this process holds it: read once at start, then
// stored at each change and posted as "VVVN2". A change that comes with a switch goes
// out with the switch's own change of the store, so that each phase writes once.
#pragma once

#include <optional>

#include "base/plist/Value.h"
#include "model/UserDefaults.h"

namespace lendmode {

class LendmodeFlag {
public:
    explicit LendmodeFlag(UserDefaults& prefs) : prefs_(prefs) {}

    bool value() const { return value_; }
    // Taken from the store at start, without storing or posting.
    void load(bool value) { value_ = value; }
    // Stores the flag and posts "VVVN2", but only when it differs from the current one.
    // False when it could not be stored; this process goes by the new value either way.
    // withSwitch: the switch that follows stores it with its own change.
    bool set(bool value, bool withSwitch = false);
    // The flag, for a change of the store that carries it, when it is not stored yet.
    void addUnstored(plist::Dictionary& change) const;
    // The change that carried it was stored.
    void stored() { unstored_.reset(); }
    // Stores the flag if it is not stored yet: the end of a switch that stored nothing.
    void storeUnstored();

private:
    UserDefaults& prefs_;
    bool value_ = false;
    // The flag when the store does not hold it yet: it goes with the switch's change,
    // or it could not be stored.
    std::optional<bool> unstored_;
};

}  // namespace lendmode
