#include "engine/settings/Registry.h"

namespace lendmode::settings {

const std::vector<const Setting*>& all() {
    static const std::vector<const Setting*> settings{
        &doNotDisturb(),   &hotCorners(),   &defaultBrowser(), &naturalScrolling(),
        &dockVisibility(), &dockLocation(), &appearance(),
    };
    return settings;
}

const Setting* forRow(std::uint64_t id) {
    for (const Setting* setting : all()) {
        if (setting->rowId() == id) return setting;
    }
    return nullptr;
}

}  // namespace lendmode::settings
