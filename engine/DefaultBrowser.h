// The default web browser, handled by short name: the last "."-separated component of
// a bundle identifier ("Safari" for com.apple.Safari).
//
// The functions without a port argument use the shared Preferences' URL-handler port.
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>

#include "platform/MainThread.h"
#include "platform/UrlHandlers.h"

namespace lendmode {

std::optional<std::string> BundleShortName(const std::optional<std::string>& bundleIdentifier);

// Lower-cased short name -> bundle identifier of every "http" handler; a later handler
// wins over an earlier one with the same lower-cased short name.
std::map<std::string, std::string> HTTPHandlersByName(platform::UrlHandlers& handlers);
std::map<std::string, std::string> HTTPHandlersByName();

// Short name of the default "http" handler; nothing when there is none.
std::optional<std::string> DefaultBrowserName(platform::UrlHandlers& handlers);
std::optional<std::string> DefaultBrowserName();

// What a request for a default browser came to.
enum class BrowserAnswer {
    AlreadySo,      // it was the default already: nothing was asked
    Changed,        // the owner agreed
    Kept,           // the owner kept the old browser (or the change failed)
    NoSuchBrowser,  // no name, or a name no registered handler matches: nothing was asked
};
using BrowserDone = std::function<void(BrowserAnswer)>;

// Makes the named browser the default. The system asks the owner to confirm each
// change, so http is asked for once, and only when it is not the default already;
// https is asked for in its answer, once the owner agreed (or http was already so),
// and only when it still differs from `https` (a bundle identifier; the browser's own
// when none is given). Nothing asked is asked again. `done` (when given) gets the
// answer for http, on the main thread when one is given.
void RequestDefaultBrowser(const std::optional<std::string>& name, const std::optional<std::string>& https,
                           platform::UrlHandlers& handlers, platform::MainThread* mainThread,
                           BrowserDone done);

}  // namespace lendmode
