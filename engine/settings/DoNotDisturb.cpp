// Do Not Disturb: notifications off while Lendmode is on.
#include "engine/settings/DoNotDisturb.h"
#include "base/Quoting.h"
#include "base/Strings.h"
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

// The Shortcut the owner chose for one way, or its default name.
std::string shortcutName(UserDefaults* prefs, bool on) {
    const char* key = on ? keys::kFocusOnShortcut : keys::kFocusOffShortcut;
    if (prefs) {
        if (const auto stored = prefs->object(key);
            stored && stored->isString() && !stored->asString()->empty())
            return *stored->asString();
    }
    return on ? keys::kDefaultFocusOnShortcut : keys::kDefaultFocusOffShortcut;
}

// Runs the Shortcut that switches Focus on or off; why it failed, if it did.
std::optional<std::string> runShortcut(const CommandRunners& run, const std::string& name) {
    if (run.shellSucceeded("shortcuts run " + shellQuoted(name))) return std::nullopt;
    const std::string quoted = "\u201c" + name + "\u201d";
    if (!focusShortcutExists(run, name))
        return "there is no Shortcut named " + quoted +
               "; make it in the Shortcuts app (see Lendmode\u2019s README) or choose another in "
               "Lendmode\u2019s "
               "preferences";
    return "the Shortcut " + quoted + " did not run to its end";
}

class DoNotDisturb final : public Setting {
public:
    std::uint64_t rowId() const override { return kRow; }
    const char* name() const override { return "Do Not Disturb"; }

    plist::Dictionary defaultRow(Env&) const override {
        return checkboxRow(kRow, "Do not Disturb", "Notifications will be off", true);
    }

    std::vector<std::string> readTexts() const override { return {kRead}; }

    void readOwner(plist::Dictionary& row, const std::vector<std::optional<std::string>>& outputs,
                   Env&) const override {
        row[rowkeys::kBox] = integerOutput(outputAt(outputs, 0)) == 1 ? 1 : 0;
    }

    void addToApply(const plist::Dictionary& row, ApplyPlan& plan, Env& env) const override {
        const bool on = boxOf(row);
        if (!env.release.atLeast(11)) {
            plan.shell.add(on ? kOn : kOff);
            plan.shell.add(on ? kOnDate : kOffDate, /*removes=*/!on);
            return;
        }
        // From macOS 11 the keys switch nothing; from 12 a Shortcut switches Focus.
        if (!env.release.atLeast(12)) {
            if (plan.switchingOn && on)
                plan.notChanged.push_back(
                    std::string(name()) +
                    ": macOS 11 gives Lendmode no way to switch it (Focus needs macOS 12)");
            return;
        }
        UserDefaults* prefs = env.prefs;
        const CommandRunners& run = env.run;
        if (plan.switchingOn) {
            if (!on) return;
            // Recorded before anything changes, so that a switch-off after a crash turns it off.
            plan.record[keys::kFocusTurnedOn] = true;
            plan.steps.push_back({"Focus", [prefs, &run] {
                                      auto failed = runShortcut(run, shortcutName(prefs, true));
                                      if (failed && prefs)
                                          (void)prefs->setBoolean(keys::kFocusTurnedOn, false);
                                      return failed;
                                  }});
        } else if (prefs && prefs->boolean(keys::kFocusTurnedOn)) {
            plan.steps.push_back({"Focus", [prefs, &run] {
                                      auto failed = runShortcut(run, shortcutName(prefs, false));
                                      (void)prefs->setBoolean(keys::kFocusTurnedOn, false);
                                      return failed;
                                  }});
        }
    }

    // With Notification Center and the menu bar restarted; from macOS 12 a Shortcut.
    void applyNow(const plist::Value& value, Env& env) const override {
        const bool on = value.truthValue();
        if (env.release.atLeast(12)) {
            if (!runShortcut(env.run, shortcutName(env.prefs, on)) && env.prefs)
                (void)env.prefs->setBoolean(keys::kFocusTurnedOn, on);
            return;
        }
        if (env.release.atLeast(11)) return;
        env.run.shell(texts::indented({on ? kOn : kOff, on ? kOnDate : kOffDate,
                                       texts::kRestartNotificationCenter, texts::kRestartSystemUIServer},
                                      8));
    }
};

}  // namespace

bool focusShortcutExists(const CommandRunners& run, const std::string& name) {
    for (const std::string& shortcut : focusShortcuts(run)) {
        if (shortcut == name) return true;
    }
    return false;
}

std::vector<std::string> focusShortcuts(const CommandRunners& run) {
    std::vector<std::string> names = lines(run.shell("shortcuts list").value_or(""));
    std::erase(names, std::string());
    return names;
}

std::string focusShortcutName(UserDefaults* prefs, bool on) {
    return shortcutName(prefs, on);
}

const Setting& doNotDisturb() {
    static const DoNotDisturb setting;
    return setting;
}

}  // namespace lendmode::settings
