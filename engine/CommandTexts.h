// The command texts the engine reads the system with. Each text is defined once here.
#pragma once

namespace lendmode::commands {

inline constexpr const char* kReadDoNotDisturb =
    "defaults read ~/Library/Preferences/ByHost/com.apple.notificationcenterui.plist doNotDisturb";
inline constexpr const char* kReadScrollDirection = "defaults read -g com.apple.swipescrolldirection";
inline constexpr const char* kReadDockAutohide = "defaults read com.apple.dock autohide";
inline constexpr const char* kReadDockOrientation = "defaults read com.apple.dock orientation";
inline constexpr const char* kReadInterfaceStyle = "defaults read -g AppleInterfaceStyle";
inline constexpr const char* kReadInterfaceStyleAutomatic = "defaults read -g AppleInterfaceStyleSwitchesAutomatically";
inline constexpr const char* kReadHotCorners = "defaults read com.apple.dock | grep wvous";

}  // namespace lendmode::commands
