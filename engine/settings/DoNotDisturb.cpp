// Do Not Disturb: notifications off while Lendmode is on.
#include "engine/ScriptTexts.h"
#include "engine/settings/Registry.h"

namespace lendmode::settings {
namespace {

constexpr std::uint64_t kRow = rows::kDoNotDisturb;

constexpr const char* kRead =
    "defaults read ~/Library/Preferences/ByHost/com.apple.notificationcenterui.plist doNotDisturb";
constexpr const char* kOn =
    "defaults -currentHost write ~/Library/Preferences/ByHost/com.apple.notificationcenterui doNotDisturb "
    "-boolean true";
constexpr const char* kOnDate =
    "defaults -currentHost write ~/Library/Preferences/ByHost/com.apple.notificationcenterui "
    "doNotDisturbDate -date "
    "\"`date -u +\"%Y-%m-%d %H:%M:%S +0000\"`\"";
constexpr const char* kOff =
    "defaults -currentHost write ~/Library/Preferences/ByHost/com.apple.notificationcenterui doNotDisturb "
    "-boolean false";
constexpr const char* kOffDate =
    "defaults -currentHost delete ~/Library/Preferences/ByHost/com.apple.notificationcenterui "
    "doNotDisturbDate";

class DoNotDisturb final : public Setting {
public:
    std::uint64_t rowId() const override { return kRow; }

    plist::Dictionary defaultRow(Env&) const override {
        return checkboxRow(kRow, "Do not Disturb", "Notifications will be off", true);
    }

    std::vector<std::string> readTexts() const override { return {kRead}; }

    void readOwner(plist::Dictionary& row, const std::vector<std::optional<std::string>>& outputs,
                   Env&) const override {
        row[rowkeys::kBox] = integerOutput(outputAt(outputs, 0)) == 1 ? 1 : 0;
    }

    void addToApply(const plist::Dictionary& row, ApplyPlan& plan) const override {
        const bool on = boxOf(row);
        plan.shell.add(on ? kOn : kOff);
        plan.shell.add(on ? kOnDate : kOffDate, /*removes=*/!on);
    }

    // With Notification Center and the menu bar restarted.
    void applyNow(const plist::Value& value, Env& env) const override {
        const bool on = value.truthValue();
        env.run.shell(texts::indented({on ? kOn : kOff, on ? kOnDate : kOffDate,
                                       texts::kRestartNotificationCenter, texts::kRestartSystemUIServer},
                                      8));
    }
};

}  // namespace

const Setting& doNotDisturb() {
    static const DoNotDisturb setting;
    return setting;
}

}  // namespace lendmode::settings
