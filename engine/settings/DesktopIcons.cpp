// Hide desktop icons: Finder draws no desktop while Lendmode is on, so that the owner's
// files stay off a shared screen. An unticked row leaves the desktop alone; only a
// switch-on that hid the icons puts the owner's choice back.
#include "engine/settings/Registry.h"

namespace lendmode::settings {
namespace {

constexpr std::uint64_t kRow = rows::kHideDesktopIcons;

constexpr const char* kRead = "defaults read com.apple.finder CreateDesktop";
constexpr const char* kWrite = "defaults write com.apple.finder CreateDesktop -bool ";
constexpr const char* kRemove = "defaults delete com.apple.finder CreateDesktop";
// Finder reads the key only as it starts.
constexpr const char* kRestartFinder = "killall Finder";

class DesktopIcons final : public Setting {
public:
    std::uint64_t rowId() const override { return kRow; }
    const char* name() const override { return "Desktop icons"; }

    plist::Dictionary defaultRow(Env&) const override {
        return checkboxRow(kRow, "Hide desktop icons", "Keep your files off a shared screen", false);
    }

    std::vector<std::string> readTexts() const override { return {kRead}; }

    // The box says hidden; a key the owner never stored (icons shown) is marked, so
    // that the switch-off removes it again rather than writes it.
    void readOwner(plist::Dictionary& row, const std::vector<std::optional<std::string>>& outputs,
                   Env&) const override {
        const auto& output = outputAt(outputs, 0);
        const std::string stored = output ? output->substr(0, output->find('\n')) : std::string();
        // Finder takes the value as Foundation's boolValue does.
        row[rowkeys::kBox] = !stored.empty() && !plist::Value(stored).truthValue() ? 1 : 0;
        if (stored.empty()) row[rowkeys::kKeyAbsent] = true;
    }

    void addToApply(const plist::Dictionary& row, ApplyPlan& plan, Env& env) const override {
        if (plan.switchingOn) {
            // Written either way, so that the switch-off never goes by an earlier one.
            plan.record[keys::kDesktopIconsHiddenBySwitch] = boxOf(row);
            if (!boxOf(row)) return;
            plan.shell.add(std::string(kWrite) + "false");
            plan.shell.add(kRestartFinder);
            return;
        }
        if (!env.prefs || !env.prefs->boolean(keys::kDesktopIconsHiddenBySwitch)) return;
        // The row is the owner snapshot's.
        const auto absent = row.find(rowkeys::kKeyAbsent);
        if (absent != row.end() && absent->second.truthValue()) {
            plan.shell.add(kRemove, /*removes=*/true);
        } else {
            plan.shell.add(std::string(kWrite) + (boxOf(row) ? "false" : "true"));
        }
        // Among the lines after the writes: a Finder that is not running fails it, and
        // that means nothing either.
        plan.shell.add(kRestartFinder, /*removes=*/true);
    }
};

}  // namespace

const Setting& desktopIcons() {
    static const DesktopIcons setting;
    return setting;
}

}  // namespace lendmode::settings
