// What Foundation alone tells about application bundles: a bundle's identifier, an
// application found by its name in the folders applications are installed in, and the
// system applications the scripts address by name. Plain Foundation, so that it also
// runs (and is tested) on GNUstep base.
#pragma once

#include <string>
#include <vector>

namespace platform::macos {

// The bundle identifier of a system application the scripts address by name (System
// Events, System Preferences, System Settings); empty for any other name.
std::string knownScriptedApplicationIdentifier(const std::string& name);

// The CFBundleIdentifier of the application bundle at a path (its Contents/Info.plist);
// empty when nothing there has one.
std::string bundleIdentifierAtPath(const std::string& path);

// Where applications are installed, in the order they are searched: the system's own
// (macOS 10.15 and later), the shared ones, the system's core services, then the
// owner's; each with its Utilities folder where there is one.
std::vector<std::string> applicationFolders(const std::string& home);

// The first folder's "NAME.app" bundle; "" when no folder has one. The name may end in
// ".app"; a name with a "/" is no application's and finds nothing.
std::string applicationNamed(const std::string& name, const std::vector<std::string>& folders);

}  // namespace platform::macos
