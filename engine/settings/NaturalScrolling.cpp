// Natural scrolling ("Default scroll"): Apple's scroll direction, on by default.
#include "engine/ScriptTexts.h"
#include "engine/settings/Registry.h"

namespace lendmode::settings {
namespace {

constexpr std::uint64_t kRow = rows::kDefaultScroll;

constexpr const char* kRead = "defaults read -g com.apple.swipescrolldirection";

constexpr std::string_view kTellSystemPreferences = "tell application \"System Preferences\"";
constexpr std::string_view kRevealTrackpad =
    "reveal anchor \"trackpadTab\" of pane id \"com.apple.preference.trackpad\"";
constexpr std::string_view kEndTell = "end tell";
constexpr std::string_view kTellPreferencesProcess =
    "tell application \"System Events\" to tell process \"System Preferences\"";
constexpr std::string_view kClickFirstCheckbox = "click checkbox 1 of tab group 1 of window 1";

// Writes the opposite of the wanted state, then clicks the trackpad pane's first check
// box, which flips it to the wanted state: "false" is written for natural scrolling
// on, "true" for off.
std::string written(bool natural) {
    return std::string(
               "do shell script \"defaults write NSGlobalDomain com.apple.swipescrolldirection -bool ") +
           (natural ? "false" : "true") + "\"";
}

class NaturalScrolling final : public Setting {
public:
    std::uint64_t rowId() const override { return kRow; }

    plist::Dictionary defaultRow(Env&) const override {
        return checkboxRow(kRow, "Default scroll", "Apple\u2019s natural scrolling", true);
    }

    std::vector<std::string> readTexts() const override { return {kRead}; }

    void readOwner(plist::Dictionary& row, const std::vector<std::optional<std::string>>& outputs,
                   Env&) const override {
        // No stored key is macOS's default: natural scrolling on.
        const auto& direction = outputAt(outputs, 0);
        const bool natural = !direction || direction->empty() || integerOutput(direction) == 1;
        row[rowkeys::kBox] = natural ? 1 : 0;
    }

    void addToApply(const plist::Dictionary& row, ApplyPlan& plan) const override {
        plan.script += texts::indented({written(boxOf(row)), kTellSystemPreferences, kRevealTrackpad,
                                        kEndTell, kTellPreferencesProcess, kClickFirstCheckbox, kEndTell},
                                       13);
    }

    // One script of its own, System Preferences quit around it.
    void applyNow(const plist::Value& value, Env& env) const override {
        env.run.appleScript(
            texts::indented({"if application \"System Preferences\" is running then",
                             "quit application \"System Preferences\"", "end if", written(value.truthValue()),
                             kTellSystemPreferences, kRevealTrackpad, kEndTell, kTellPreferencesProcess,
                             kClickFirstCheckbox, kEndTell, "quit application \"System Preferences\""},
                            24));
    }
};

}  // namespace

const Setting& naturalScrolling() {
    static const NaturalScrolling setting;
    return setting;
}

}  // namespace lendmode::settings
