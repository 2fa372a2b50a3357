// Switching Lendmode on and off: the owner snapshot and the two applies.
#include "model/Keys.h"
#include "model/Preferences.h"

namespace lendmode {

void Preferences::applaySelectedDefinitionCompletion(const Completion& completion) {
    plist::Array snapshot = settingsUser();
    if (definitionSets_.empty()) definitionSets_.emplace_back(settingsDefault());
    if (definitionSets_.size() < 2) definitionSets_.emplace_back(plist::Array{});
    definitionSets_[1] = std::move(snapshot);
    write_definitionSets();
    // From here until a switch-off has put the owner's settings back, a process that
    // ends unexpectedly leaves them to be restored at the next start.
    prefs_.setBoolean(keys::kGuestSettingsApplied, true);
    std::uint64_t index = currentSet();
    if (index >= definitionSets_.size()) index = 0;  // as row access does
    applayToSystem(index);
    if (completion) completion();
}

void Preferences::restoreDefinitionSetsCompletion(const Completion& completion) {
    applayToSystem(1);
    prefs_.setBoolean(keys::kGuestSettingsApplied, false);
    if (completion) completion();
}

}  // namespace lendmode
