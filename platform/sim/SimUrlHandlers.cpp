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

// The owner's answer comes at once, or never while they leave the question open (a
// later `lendmode-sim browser-answer` answers it in the simulated Mac, unseen here).
void SimUrlHandlers::setDefaultHandler(const std::string& scheme, const std::string& bundleIdentifier,
                                       Done done) {
    using Request = sim::SimMac::HandlerRequest;
    switch (mac_->requestDefaultHandler(scheme, bundleIdentifier)) {
        case Request::Changed: return done(true);
        case Request::Kept:
        case Request::NotUpdated: return done(false);
        case Request::Pending: return;
    }
}

}  // namespace platform::simulated
