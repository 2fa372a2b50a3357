// Loading and storing the two definition sets.
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
    const std::string version = versionKey();
    const auto stored = prefs_.object(keys::kDefinitionSets);
    const plist::Array* storedSets = stored ? stored->asArray() : nullptr;
    const bool reusable = storedSets && !storedSets->empty() && prefs_.boolean(version);

    if (reusable) {
        // A stored Lendmode set that is not a well-formed set counts as a failed read:
        // the defaults serve this run and the stored value is left for the next load.
        if (isUsableDefinitionSet(storedSets->front())) {
            plist::Array lendmodeSet = *storedSets->front().asArray();
            definitionSets_ = plist::Array{std::move(lendmodeSet), settingsUser()};
            write_definitionSets();
        } else {
            definitionSets_ = plist::Array{settingsDefault(), settingsUser()};
        }
        return;
    }

    if (!stored) setCurrentSet(0);
    prefs_.setBoolean(version, true);
    definitionSets_ = plist::Array{settingsDefault(), settingsUser()};
    write_definitionSets();
}

void Preferences::write_definitionSets() { prefs_.setObject(keys::kDefinitionSets, plist::Value(definitionSets_)); }

}  // namespace lendmode
