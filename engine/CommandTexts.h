// The command texts the engine reads the system with. Each text is defined once here.
#pragma once

#include <string>
#include <string_view>

namespace lendmode::commands {

inline constexpr const char* kReadDoNotDisturb =
    "defaults read ~/Library/Preferences/ByHost/com.apple.notificationcenterui.plist doNotDisturb";
inline constexpr const char* kReadScrollDirection = "defaults read -g com.apple.swipescrolldirection";
inline constexpr const char* kReadDockAutohide = "defaults read com.apple.dock autohide";
inline constexpr const char* kReadDockOrientation = "defaults read com.apple.dock orientation";
inline constexpr const char* kReadInterfaceStyle = "defaults read -g AppleInterfaceStyle";
inline constexpr const char* kReadInterfaceStyleAutomatic =
    "defaults read -g AppleInterfaceStyleSwitchesAutomatically";
inline constexpr const char* kReadHotCorners = "defaults read com.apple.dock | grep wvous";

// Ends a disabled application that is starting: "killall %@", the name quoted so the
// shell passes it on as one word, whatever it holds.
std::string killallCommand(std::string_view applicationName);

}  // namespace lendmode::commands
