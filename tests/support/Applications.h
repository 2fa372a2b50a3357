// Finding an installed application in set 0's list by name, and ticking it there,
// as the owner does in the popover.
#pragma once

#include <optional>
#include <stdexcept>
#include <string>

#include "model/Preferences.h"

namespace testing_support {

// The index of the first record with this name in set 0's application list.
inline std::optional<std::size_t> indexOfApplication(lendmode::Preferences& prefs, const std::string& name) {
    const plist::Array* apps = prefs.appDisabled();
    for (std::size_t i = 0; apps && i < apps->size(); ++i) {
        const plist::Array* record = (*apps)[i].asArray();
        const std::string* recordName = record && !record->empty() ? (*record)[0].asString() : nullptr;
        if (recordName && *recordName == name) return i;
    }
    return std::nullopt;
}

// Marks the named application disabled (or not); throws when it is not in the list.
inline void setApplicationDisabled(lendmode::Preferences& prefs, const std::string& name,
                                   bool disabled = true) {
    const auto index = indexOfApplication(prefs, name);
    if (!index) throw std::runtime_error("not installed: " + name);
    prefs.setAppDisable(disabled, *index);
}

}  // namespace testing_support
