#include "engine/settings/Registry.h"

#include <algorithm>

namespace lendmode::settings {

const std::vector<const Setting*>& all() {
    static const std::vector<const Setting*> settings{
        &doNotDisturb(), &hotCorners(), &defaultBrowser(), &naturalScrolling(), &dockVisibility(),
        &dockLocation(), &appearance(), &muteSound(),      &desktopIcons(),     &keepAwake(),
    };
    return settings;
}

std::size_t beforeApplicationList() {
    // The settings for presenting follow the list, Mute sound first.
    static const std::size_t before =
        static_cast<std::size_t>(std::find(all().begin(), all().end(), &muteSound()) - all().begin());
    return before;
}

const Setting* forRow(std::uint64_t id) {
    for (const Setting* setting : all()) {
        if (setting->rowId() == id) return setting;
    }
    return nullptr;
}

}  // namespace lendmode::settings
