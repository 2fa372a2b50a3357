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

namespace {

// The system may answer on any thread; the rest of the chain runs on the main one.
platform::UrlHandlers::Done onMainThread(platform::MainThread* mainThread, std::function<void(bool)> then) {
    return [mainThread, then = std::move(then)](bool changed) {
        if (!mainThread || mainThread->isMainThread()) return then(changed);
        mainThread->post([then, changed] { then(changed); });
    };
}

}  // namespace

void RequestDefaultBrowser(const std::optional<std::string>& name, const std::optional<std::string>& https,
                           platform::UrlHandlers& handlers, platform::MainThread* mainThread,
                           BrowserDone done) {
    const auto answer = [&done](BrowserAnswer a) {
        if (done) done(a);
    };
    if (!name) return answer(BrowserAnswer::NoSuchBrowser);
    const auto table = HTTPHandlersByName(handlers);
    const auto found = table.find(lowercased(*name));
    if (found == table.end()) return answer(BrowserAnswer::NoSuchBrowser);
    const std::string browser = found->second;
    const std::string httpsWanted = https && !https->empty() ? *https : browser;
    // https once http is settled: compared only then, as the answer may come late.
    auto followWithHttps = [&handlers, mainThread, httpsWanted, done](BrowserAnswer httpAnswer) {
        if (httpAnswer != BrowserAnswer::Kept && handlers.defaultHandler(kHttps) != httpsWanted)
            handlers.setDefaultHandler(kHttps, httpsWanted, onMainThread(mainThread, [](bool) {}));
        if (done) done(httpAnswer);
    };
    if (DefaultBrowserName(handlers) == *name) return followWithHttps(BrowserAnswer::AlreadySo);
    handlers.setDefaultHandler(kHttp, browser, onMainThread(mainThread, [followWithHttps](bool changed) {
                                   followWithHttps(changed ? BrowserAnswer::Changed : BrowserAnswer::Kept);
                               }));
}

}  // namespace lendmode
