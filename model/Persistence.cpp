// Loading and storing the two definition sets.
#include "base/FreedMemory.h"
#include "model/BuildInfo.h"
#include "model/Keys.h"
#include "model/Preferences.h"
#include "model/SetValidation.h"

namespace lendmode {

std::string Preferences::versionKey() {
    // The key is made with "28-%@(%@)" from the short version and the build number.
    return std::string("28-") + build::kShortVersion + "(" + build::kBuildNumber + ")";
}

void Preferences::readCurrentDefinitionSets() {
    loadDefinitionSets();
    releaseFreedMemory();  // the stored copy, the snapshot's and the merge's
}

void Preferences::loadDefinitionSets() {
    const std::string version = versionKey();
    auto stored = prefs_.object(keys::kDefinitionSets);
    plist::Array* storedSets = stored ? stored->asArray() : nullptr;
    const bool reusable = storedSets && !storedSets->empty() && prefs_.boolean(version);
    // While the guest settings are on the system (a restore was refused), the live
    // system is the guest's: the owner snapshot stored at switch-on is kept.
    const bool keepsStoredSnapshot = guestSettingsApplied() && storedSets && storedSets->size() > 1 &&
                                     isUsableDefinitionSet((*storedSets)[1]);
    const auto ownerSnapshot = [&]() -> plist::Value {
        return keepsStoredSnapshot ? (*storedSets)[1] : plist::Value(settingsUser());
    };

    if (reusable) {
        // A stored Lendmode set that is not a well-formed set counts as a failed read:
        // the defaults serve this run and the stored value is left for the next load.
        if (isUsableDefinitionSet(storedSets->front())) {
            plist::Array lendmodeSet = std::move(*storedSets->front().asArray());  // not needed again
            definitionSets_ = twoSets(std::move(lendmodeSet), ownerSnapshot());
            // Applications installed since the list was made can be blocked too. A fresh
            // snapshot has just listed the installed ones; a kept one is older.
            if (plist::Array* listed = appDisabled()) {
                const plist::Array* installed =
                    keepsStoredSnapshot ? nullptr : applicationList(*definitionSets_[1].asArray());
                *listed = mergedApplicationRecords(*listed, installed ? *installed : appListOnSystem());
            }
            (void)write_definitionSets();  // unchanged choices: a failure loses nothing
        } else {
            definitionSets_ = twoSets(settingsDefault(), ownerSnapshot());
        }
        return;
    }

    if (!stored) setCurrentSet(0);
    definitionSets_ = twoSets(settingsDefault(), ownerSnapshot());
    // The version key only once the sets it vouches for are stored.
    if (write_definitionSets()) (void)prefs_.setBoolean(version, true);
}

plist::Array Preferences::twoSets(plist::Value lendmodeSet, plist::Value ownerSnapshot) {
    plist::Array sets;
    sets.reserve(2);
    sets.push_back(std::move(lendmodeSet));
    sets.push_back(std::move(ownerSnapshot));
    return sets;
}

bool Preferences::write_definitionSets() {
    // Lent to the store for the write and taken back: thousands of applications are
    // not copied for it.
    plist::Value sets(std::move(definitionSets_));
    const bool stored = prefs_.setObject(keys::kDefinitionSets, sets);
    definitionSets_ = std::move(*sets.asArray());
    return stored;
}

}  // namespace lendmode
