// Port: the URL-scheme handler registry (LaunchServices on macOS).
#pragma once

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
    virtual void setDefaultHandler(const std::string& scheme, const std::string& bundleIdentifier) = 0;
};

}  // namespace platform
