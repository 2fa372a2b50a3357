// The URL-scheme handlers of LaunchServices: NSWorkspace from macOS 12 on, the
// LaunchServices functions before it. From macOS 12 on, changing the default shows the
// system's confirmation and takes effect only when the owner accepts it; the change is
// asked for and its answer passed on when it comes, so the main thread never blocks on
// the owner.
#pragma once

#include "platform/UrlHandlers.h"

namespace platform::macos {

class MacUrlHandlers : public UrlHandlers {
public:
    std::optional<std::vector<std::string>> allHandlers(const std::string& scheme) override;
    std::optional<std::string> defaultHandler(const std::string& scheme) override;
    // From macOS 12 on `done` is called on a queue of the system's, when the owner has
    // answered; before 12, at once on the calling thread.
    void setDefaultHandler(const std::string& scheme, const std::string& bundleIdentifier,
                           Done done) override;
};

}  // namespace platform::macos
