// Dock visibility: the Dock kept on screen, not hidden.
#include "engine/ScriptTexts.h"
#include "engine/settings/Registry.h"

namespace lendmode::settings {
namespace {

constexpr std::uint64_t kRow = rows::kDockVisible;

constexpr const char* kRead = "defaults read com.apple.dock autohide";

// The row says the Dock stays visible; the system stores whether it hides.
std::string autohidePiece(bool visible) {
    return std::string(
               "tell application \"System Events\" to tell dock preferences to set the autohide to ") +
           (visible ? "false" : "true") + "\n";
}

class DockVisibility final : public Setting {
public:
    std::uint64_t rowId() const override { return kRow; }
    const char* name() const override { return "Dock visibility"; }

    plist::Dictionary defaultRow(Env&) const override {
        return checkboxRow(kRow, "Dock visible", "Keep dock above the bottom of the screen", true);
    }

    std::vector<std::string> readTexts() const override { return {kRead}; }

    void readOwner(plist::Dictionary& row, const std::vector<std::optional<std::string>>& outputs,
                   Env&) const override {
        row[rowkeys::kBox] = integerOutput(outputAt(outputs, 0)) != 1 ? 1 : 0;
    }

    void addToApply(const plist::Dictionary& row, ApplyPlan& plan, Env&) const override {
        plan.pieces.push_back({name(), autohidePiece(boxOf(row)), {texts::kSystemEventsName}});
    }

    void applyNow(const plist::Value& value, Env& env) const override {
        env.run.appleScript(autohidePiece(value.truthValue()));
    }
};

}  // namespace

const Setting& dockVisibility() {
    static const DockVisibility setting;
    return setting;
}

}  // namespace lendmode::settings
