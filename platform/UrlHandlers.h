// Port: the URL-scheme handler registry (LaunchServices on macOS).
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace platform {

class UrlHandlers {
public:
    virtual ~UrlHandlers() = default;
    // Bundle identifiers of every application registered for the scheme, in the
    // registry's order; nullopt when the registry gives no list.
    virtual std::optional<std::vector<std::string>> allHandlers(const std::string& scheme) = 0;
    virtual std::optional<std::string> defaultHandler(const std::string& scheme) = 0;
    // Asks for the application to become the scheme's default. The system asks the
    // owner to confirm, so the change is known only when `done` is called: true when
    // the owner agreed, false when they kept the old one or the change failed. `done`
    // may be called on any thread, and never when the owner leaves the question open.
    using Done = std::function<void(bool changed)>;
    virtual void setDefaultHandler(const std::string& scheme, const std::string& bundleIdentifier,
                                   Done done) = 0;
};

}  // namespace platform
