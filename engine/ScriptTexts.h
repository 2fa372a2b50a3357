// The shell lines and AppleScript pieces that change the system's settings. Each text
// is defined here once, exactly as the system sends it; a line feed ends every line of
// an AppleScript piece.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace lendmode::texts {

// ---- Shell lines ----
inline constexpr const char* kDoNotDisturbOn =
    "defaults -currentHost write ~/Library/Preferences/ByHost/com.apple.notificationcenterui doNotDisturb "
    "-boolean true";
inline constexpr const char* kDoNotDisturbOnDate =
    "defaults -currentHost write ~/Library/Preferences/ByHost/com.apple.notificationcenterui "
    "doNotDisturbDate -date "
    "\"`date -u +\"%Y-%m-%d %H:%M:%S +0000\"`\"";
inline constexpr const char* kDoNotDisturbOff =
    "defaults -currentHost write ~/Library/Preferences/ByHost/com.apple.notificationcenterui doNotDisturb "
    "-boolean false";
inline constexpr const char* kDoNotDisturbOffDate =
    "defaults -currentHost delete ~/Library/Preferences/ByHost/com.apple.notificationcenterui "
    "doNotDisturbDate";
inline constexpr const char* kAutomaticAppearanceStyle = "defaults delete NSGlobalDomain AppleInterfaceStyle";
inline constexpr const char* kAutomaticAppearanceSwitch =
    "defaults write NSGlobalDomain AppleInterfaceStyleSwitchesAutomatically -bool true";
inline constexpr const char* kRestartDock = "killall Dock";
inline constexpr const char* kRestartNotificationCenter = "killall NotificationCenter";
inline constexpr const char* kRestartSystemUIServer = "killall SystemUIServer";
inline constexpr const char* kQuitSystemPreferences = "killall System\\ Preferences";

// "defaults write com.apple.dock %@ -int %ld"
std::string hotCornerLine(std::string_view key, long long value);
// Removes a hot-corner key the owner did not have.
std::string hotCornerRemovalLine(std::string_view key);
// The lines run as one shell text whose exit status is 0 only when every one of
// `checked` succeeded; they stop at the first that fails. The lines of `after` run
// whatever happened, and do not count.
std::string checkedShellText(const std::vector<std::string>& checked, const std::vector<std::string>& after);

// ---- AppleScript pieces ----
// The applications the settings script sends Apple events to.
inline constexpr const char* kAutomatedApplications[] = {"System Events", "System Preferences"};

inline constexpr const char* kSystemPreferencesPrologue =
    "if application \"System Preferences\" is running then\n"
    " quit application \"System Preferences\"\n"
    " end if\n";
inline constexpr const char* kSystemPreferencesEpilogue = "quit application \"System Preferences\"\n";
inline constexpr const char* kDarkPiece =
    "tell application \"System Events\" to tell appearance preferences to set dark mode to true\n";
inline constexpr const char* kLightPiece =
    "tell application \"System Events\" to tell appearance preferences to set dark mode to false\n";

// The scroll piece: writes the opposite of the wanted natural-scrolling state, then
// clicks the trackpad pane's first check box, which flips it to the wanted state.
// `written` is "false" for natural scrolling on, "true" for off.
std::string scrollPiece(std::string_view written);
// "tell application "System Events" to tell dock preferences to set the autohide to %@"
std::string autohidePiece(std::string_view value);
// "tell application "System Events" to tell dock preferences to set screen edge to %@"
std::string screenEdgePiece(std::string_view edge);
// "tell application "System Events" to tell appearance preferences to set dark mode to %@"
std::string darkModePiece(std::string_view value);
// The result is 1 when the application runs, 0 otherwise.
std::string isRunningScript(std::string_view applicationName);
// Quits the application if it runs; the result is 1 when it did, 0 otherwise.
std::string quitIfRunningScript(std::string_view applicationName);
// Starts the application unless it runs.
std::string relaunchPiece(std::string_view applicationName);
// The scroll piece as one script of its own, System Preferences quit around it.
std::string mouseInverseScript(std::string_view written);
// Do Not Disturb on or off at once, with Notification Center and the menu bar restarted.
std::string doNotDisturbScript(bool on);

}  // namespace lendmode::texts
