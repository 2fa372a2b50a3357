// The shell lines and AppleScript pieces that every apply shares: the restarts, System
// Preferences quit around the settings script, the disabled applications quit and
// reopened. Each setting's own texts are in its file (engine/settings). Each text is
// defined once, exactly as the system sends it; a line feed ends every line of an
// AppleScript piece.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace lendmode::texts {

// ---- Shell lines ----
inline constexpr const char* kRestartDock = "killall Dock";
inline constexpr const char* kRestartNotificationCenter = "killall NotificationCenter";
inline constexpr const char* kRestartSystemUIServer = "killall SystemUIServer";
inline constexpr const char* kQuitSystemPreferences = "killall System\\ Preferences";

// The lines run as one shell text whose exit status is 0 only when every one of
// `checked` succeeded; they stop at the first that fails. The lines of `after` run
// whatever happened, and do not count.
std::string checkedShellText(const std::vector<std::string>& checked, const std::vector<std::string>& after);

// The lines, each indented by `spaces` and ended by a line feed, as the scripts and
// the immediate shell texts are laid out.
std::string indented(std::initializer_list<std::string_view> lines, std::size_t spaces);

// ---- AppleScript pieces ----
inline constexpr const char* kSystemEventsName = "System Events";
// System Settings from macOS 13 on, which scripts still reach by this name.
inline constexpr const char* kSystemPreferencesName = "System Preferences";

inline constexpr const char* kSystemPreferencesPrologue =
    "if application \"System Preferences\" is running then\n"
    " quit application \"System Preferences\"\n"
    " end if\n";
inline constexpr const char* kSystemPreferencesEpilogue = "quit application \"System Preferences\"\n";
// The result is 1 when the application runs, 0 otherwise.
std::string isRunningScript(std::string_view applicationName);
// Quits the application if it runs; the result is 1 when it did, 0 otherwise.
std::string quitIfRunningScript(std::string_view applicationName);
// Starts the application unless it runs.
std::string relaunchPiece(std::string_view applicationName);
}  // namespace lendmode::texts
