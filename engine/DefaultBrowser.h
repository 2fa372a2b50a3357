// The default web browser, handled by short name: the last "."-separated component of
// a bundle identifier ("Safari" for com.apple.Safari).
//
// The functions without a port argument use the shared Preferences' URL-handler port.
#pragma once

#include <map>
#include <optional>
#include <string>

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

// Makes the named browser the default for "http" and "https". True when it is, or has
// just been made, the default; false (changing nothing) for no name or a name that
// matches no registered handler.
bool SetDefaultBrowser(const std::optional<std::string>& name, platform::UrlHandlers& handlers);
bool SetDefaultBrowser(const std::optional<std::string>& name);

}  // namespace lendmode
