#include "engine/SystemPlaces.h"

namespace lendmode::places {
namespace {

std::string privacy(const platform::MacOSRelease& release, const char* list) {
    return std::string(release.atLeast(13)
                           ? "System Settings \u203a Privacy & Security \u203a "
                           : "System Preferences \u203a Security & Privacy \u203a Privacy \u203a ") +
           list;
}

}  // namespace

std::string accessibility(const platform::MacOSRelease& release) {
    return privacy(release, "Accessibility");
}

std::string automation(const platform::MacOSRelease& release) {
    return privacy(release, "Automation");
}

}  // namespace lendmode::places
