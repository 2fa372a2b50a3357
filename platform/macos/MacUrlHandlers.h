// The URL-scheme handlers of LaunchServices: NSWorkspace from macOS 12 on, the
// LaunchServices functions before it. From macOS 12 on, changing the default shows the
// system's confirmation and takes effect only when the user accepts it; the change is
// asked for and not waited on, so the main thread never blocks on the user.
#pragma once

#include "platform/UrlHandlers.h"

namespace platform::macos {

class MacUrlHandlers : public UrlHandlers {
public:
    std::optional<std::vector<std::string>> allHandlers(const std::string& scheme) override;
    std::optional<std::string> defaultHandler(const std::string& scheme) override;
    void setDefaultHandler(const std::string& scheme, const std::string& bundleIdentifier) override;
};

}  // namespace platform::macos
