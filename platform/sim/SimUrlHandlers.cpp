#include "platform/sim/SimUrlHandlers.h"

namespace platform::simulated {

std::optional<std::vector<std::string>> SimUrlHandlers::allHandlers(const std::string& scheme) {
    auto all = mac_->handlers(scheme);
    if (all.empty()) return std::nullopt;  // LaunchServices gives no list when none is registered
    return all;
}

std::optional<std::string> SimUrlHandlers::defaultHandler(const std::string& scheme) {
    return mac_->defaultHandler(scheme);
}

void SimUrlHandlers::setDefaultHandler(const std::string& scheme, const std::string& bundleIdentifier) {
    mac_->setDefaultHandler(scheme, bundleIdentifier);
}

}  // namespace platform::simulated
