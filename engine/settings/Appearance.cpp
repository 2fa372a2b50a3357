// Appearance ("Dark mode"): light, dark, or switching automatically.
#include "engine/ScriptTexts.h"
#include "engine/settings/Registry.h"

namespace lendmode::settings {
namespace {

constexpr std::uint64_t kRow = rows::kDarkMode;

constexpr const char* kReadStyle = "defaults read -g AppleInterfaceStyle";
constexpr const char* kReadAutomatic = "defaults read -g AppleInterfaceStyleSwitchesAutomatically";
constexpr const char* kAutomaticStyle = "defaults delete NSGlobalDomain AppleInterfaceStyle";
constexpr const char* kAutomaticSwitch =
    "defaults write NSGlobalDomain AppleInterfaceStyleSwitchesAutomatically -bool true";

std::string darkModePiece(bool dark) {
    return std::string(
               "tell application \"System Events\" to tell appearance preferences to set dark mode to ") +
           (dark ? "true" : "false") + "\n";
}

// The first line of an output without its line break, as the answers ("Dark\n",
// "1\n") are compared whole.
std::string firstLine(const std::optional<std::string>& output) {
    if (!output) return {};
    return output->substr(0, output->find('\n'));
}

class Appearance final : public Setting {
public:
    std::uint64_t rowId() const override { return kRow; }
    const char* name() const override { return "Appearance"; }

    plist::Dictionary defaultRow(Env&) const override {
        return segmentRow(kRow,
                          {"Dark mode",
                           "Apple default dark mode after sunset",
                           {"Set light mode", "Set dark mode", "NOTE: Applies only when logging back in"},
                           {"Light", "Dark", "Auto"},
                           2});
    }

    std::vector<std::string> readTexts() const override { return {kReadStyle, kReadAutomatic}; }

    void readOwner(plist::Dictionary& row, const std::vector<std::optional<std::string>>& outputs,
                   Env&) const override {
        // Automatic switching first: it may be dark at this moment, and the owner's
        // choice is still "automatic".
        unsigned appearance = 0;
        if (firstLine(outputAt(outputs, 1)) == "1") {
            appearance = 2;
        } else if (firstLine(outputAt(outputs, 0)) == "Dark") {
            appearance = 1;
        }
        row[rowkeys::kSegmentSelected] = appearance;
    }

    void addToApply(const plist::Dictionary& row, ApplyPlan& plan, Env&) const override {
        const std::int64_t appearance = segmentOf(row);
        if (appearance == 0 || appearance == 1) {
            plan.pieces.push_back({name(), darkModePiece(appearance == 1), {texts::kSystemEventsName}});
        } else {
            plan.shell.add(kAutomaticStyle, /*removes=*/true);
            plan.shell.add(kAutomaticSwitch);
        }
    }

    // Dark or light at once.
    void applyNow(const plist::Value& value, Env& env) const override {
        env.run.appleScript(darkModePiece(value.truthValue()));
    }
};

}  // namespace

const Setting& appearance() {
    static const Appearance setting;
    return setting;
}

}  // namespace lendmode::settings
