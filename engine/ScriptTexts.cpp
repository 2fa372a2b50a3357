#include "engine/ScriptTexts.h"

#include "base/Quoting.h"

namespace lendmode::texts {
namespace {

std::string indented(std::initializer_list<std::string_view> lines, std::size_t spaces) {
    std::string out;
    for (std::string_view line : lines) {
        out.append(spaces, ' ');
        out += line;
        out += '\n';
    }
    return out;
}

std::string scrollWrite(std::string_view written) {
    return "do shell script \"defaults write NSGlobalDomain com.apple.swipescrolldirection -bool " +
           std::string(written) + "\"";
}

constexpr std::string_view kTellSystemPreferences = "tell application \"System Preferences\"";
constexpr std::string_view kRevealTrackpad =
    "reveal anchor \"trackpadTab\" of pane id \"com.apple.preference.trackpad\"";
constexpr std::string_view kEndTell = "end tell";
constexpr std::string_view kTellPreferencesProcess =
    "tell application \"System Events\" to tell process \"System Preferences\"";
constexpr std::string_view kClickFirstCheckbox = "click checkbox 1 of tab group 1 of window 1";

}  // namespace

std::string hotCornerLine(std::string_view key, long long value) {
    return "defaults write com.apple.dock " + std::string(key) + " -int " + std::to_string(value);
}

std::string hotCornerRemovalLine(std::string_view key) {
    return "defaults delete com.apple.dock " + std::string(key);
}

std::string checkedShellText(const std::vector<std::string>& checked, const std::vector<std::string>& after) {
    std::string text;
    for (const std::string& line : checked) text += line + (&line == &checked.back() ? "\n" : " &&\n");
    text += checked.empty() ? "status=0\n" : "status=$?\n";
    for (const std::string& line : after) text += line + "\n";
    text += "exit $status";
    return text;
}

std::string scrollPiece(std::string_view written) {
    const std::string write = scrollWrite(written);
    return indented({write, kTellSystemPreferences, kRevealTrackpad, kEndTell, kTellPreferencesProcess,
                     kClickFirstCheckbox, kEndTell},
                    13);
}

std::string autohidePiece(std::string_view value) {
    return "tell application \"System Events\" to tell dock preferences to set the autohide to " +
           std::string(value) + "\n";
}

std::string screenEdgePiece(std::string_view edge) {
    return "tell application \"System Events\" to tell dock preferences to set screen edge to " +
           std::string(edge) + "\n";
}

std::string darkModePiece(std::string_view value) {
    return "tell application \"System Events\" to tell appearance preferences to set dark mode to " +
           std::string(value) + "\n";
}

std::string isRunningScript(std::string_view applicationName) {
    return "if application \"" + appleScriptEscaped(applicationName) +
           "\" is running then\n return 1\n end if\n return 0\n";
}

std::string quitIfRunningScript(std::string_view applicationName) {
    const std::string name = appleScriptEscaped(applicationName);
    return "if application \"" + name + "\" is running then\n" + " quit application \"" + name + "\"\n" +
           " return 1\n" + " end if\n" + " return 0\n";
}

std::string relaunchPiece(std::string_view applicationName) {
    const std::string name = appleScriptEscaped(applicationName);
    return "if application \"" + name + "\" is not running then\n" + " tell application \"" + name + "\"\n" +
           " activate\n" + " end tell\n" + " end if\n";
}

std::string mouseInverseScript(std::string_view written) {
    const std::string write = scrollWrite(written);
    return indented(
        {"if application \"System Preferences\" is running then", "quit application \"System Preferences\"",
         "end if", write, kTellSystemPreferences, kRevealTrackpad, kEndTell, kTellPreferencesProcess,
         kClickFirstCheckbox, kEndTell, "quit application \"System Preferences\""},
        24);
}

std::string doNotDisturbScript(bool on) {
    return indented({on ? kDoNotDisturbOn : kDoNotDisturbOff, on ? kDoNotDisturbOnDate : kDoNotDisturbOffDate,
                     kRestartNotificationCenter, kRestartSystemUIServer},
                    8);
}

}  // namespace lendmode::texts
