#include "engine/DefaultBrowser.h"

#include <algorithm>
#include <cctype>

#include "model/Preferences.h"

namespace lendmode {
namespace {

constexpr const char* kHttp = "http";
constexpr const char* kHttps = "https";

std::string lowercased(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

platform::UrlHandlers& sharedHandlers() {
    return *Preferences::sharedPreferences().ports().urlHandlers;
}

}  // namespace

std::optional<std::string> BundleShortName(const std::optional<std::string>& bundleIdentifier) {
    if (!bundleIdentifier) return std::nullopt;
    const auto dot = bundleIdentifier->rfind('.');
    return dot == std::string::npos ? *bundleIdentifier : bundleIdentifier->substr(dot + 1);
}

std::map<std::string, std::string> HTTPHandlersByName(platform::UrlHandlers& handlers) {
    std::map<std::string, std::string> table;
    const auto all = handlers.allHandlers(kHttp);
    if (!all) return table;
    for (const std::string& identifier : *all) table[lowercased(*BundleShortName(identifier))] = identifier;
    return table;
}

std::map<std::string, std::string> HTTPHandlersByName() {
    return HTTPHandlersByName(sharedHandlers());
}

std::optional<std::string> DefaultBrowserName(platform::UrlHandlers& handlers) {
    return BundleShortName(handlers.defaultHandler(kHttp));
}

std::optional<std::string> DefaultBrowserName() {
    return DefaultBrowserName(sharedHandlers());
}

bool SetDefaultBrowser(const std::optional<std::string>& name, platform::UrlHandlers& handlers) {
    if (!name) return false;
    if (DefaultBrowserName(handlers) == *name) return true;
    const auto table = HTTPHandlersByName(handlers);
    const auto found = table.find(lowercased(*name));
    if (found == table.end()) return false;
    handlers.setDefaultHandler(kHttp, found->second);
    handlers.setDefaultHandler(kHttps, found->second);
    return true;
}

bool SetDefaultBrowser(const std::optional<std::string>& name) {
    return SetDefaultBrowser(name, sharedHandlers());
}

}  // namespace lendmode
