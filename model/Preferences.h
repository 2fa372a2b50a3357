// The one shared object through which the program reads and changes what is
// configured and what state Lendmode is in: a facade. The work lives in the model's
// classes (DefinitionSets, LendmodeFlag, UserDefaults) and the engine's (CommandRunners,
// DefaultSet, OwnerSnapshot, SetApplier, Switching, and one file per system setting in
// engine/settings); the operations that reach the engine are defined in engine/.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/plist/Value.h"
#include "model/DefinitionSets.h"
#include "model/InstalledApplications.h"
#include "model/LendmodeFlag.h"
#include "model/Loan.h"
#include "model/SwitchProgress.h"
#include "model/UserDefaults.h"
#include "platform/Ports.h"

namespace lendmode {

struct Engine;  // engine/Engine.h

class Preferences {
public:
    // The shared object, made on first use with the ports given to useSharedPorts
    // (std::logic_error when none were) and kept until the process ends. resetShared
    // is for tests: a fresh object (init runs again) or none; old references dangle.
    static Preferences& sharedPreferences();
    static void useSharedPorts(platform::Ports ports);  // only before the first use
    static Preferences& resetShared(platform::Ports ports);
    static void resetShared();

    // init: registers the defaults ("LM008" = "0", "LM002" = NO), puts the owner's
    // settings back when an earlier process ended with the guest settings on (a crash,
    // a kill), and stores whether Lendmode is on. The switch's records and the owner
    // lock are read here once and kept: a store changed or damaged while Lendmode runs
    // cannot make it forget them.
    explicit Preferences(platform::Ports ports);
    ~Preferences();
    Preferences(const Preferences&) = delete;
    Preferences& operator=(const Preferences&) = delete;

    bool launchOnStartup() const;
    bool setLaunchOnStartup(bool value);
    // The owner lock's choice (its rules live in ui/OwnerLock).
    bool ownerLockRequired() const { return ownerLockRequired_; }
    bool setOwnerLockRequired(bool value);

    // The Lendmode flag (LendmodeFlag::set), and the popover's switch: the flag, then
    // the switch-on or the switch-off.
    bool lendmode() const { return flag_.value(); }
    bool setLendmode(bool value, bool withSwitch = false) { return flag_.set(value, withSwitch); }
    // `started` runs once the flag is stored, before the switch changes anything.
    void switchLendmode(bool on, const std::function<void()>& completion,
                        const std::function<void()>& started = {});
    bool guestSettingsApplied() const;  // "LM010"

    // A loan for a while (model/Loan.h): the time the next switch-on lends the Mac for,
    // or while on the running loan's. A change while on starts the new time from now,
    // stored first: false when it could not be stored, and nothing changed.
    const Loan& loan() const { return loan_; }
    Loan& loan() { return loan_; }
    [[nodiscard]] bool setLoanLength(std::optional<Loan::Seconds> length);
    // Locks the screen (engine/ScreenLock.h): the end of a loan.
    void lockScreen();

    // The definition sets (DefinitionSets): 0 the Lendmode set, 1 the owner snapshot.
    std::uint64_t currentSet() const { return sets_.currentSet(); }
    void setCurrentSet(std::uint64_t index) { sets_.setCurrentSet(index); }
    plist::Array& definitionSets() { return sets_.all(); }
    const plist::Array& definitionSets() const { return sets_.all(); }
    void setDefinitionSets(plist::Array sets) { sets_.replace(std::move(sets)); }
    plist::Array* currentDefinitionSet() { return sets_.current(); }
    const plist::Array* currentDefinitionSet() const { return sets_.current(); }
    // Loads them with a fresh owner snapshot.
    void readCurrentDefinitionSets();
    bool write_definitionSets() { return sets_.write(); }
    void setObject(const std::optional<plist::Value>& value, const std::string& key, std::uint64_t ident) {
        sets_.setObject(value, key, ident);
    }
    std::optional<plist::Value> valueForKey(const std::string& key, std::uint64_t ident) const {
        return sets_.valueForKey(key, ident);
    }
    [[nodiscard]] plist::Array* appDisabled() { return sets_.appDisabled(); }
    void setAppDisable(bool flag, std::uint64_t index) { sets_.setAppDisable(flag, index); }

    // Disabled applications that were running and were quit at the last switch-on.
    std::vector<std::string>& appNeedRun();
    void setAppNeedRun(std::vector<std::string> names) { appNeedRun() = std::move(names); }

    UserDefaults& prefs() { return prefs_; }
    const platform::Ports& ports() const { return ports_; }

    // The short name of the default http handler; nothing when there is none.
    std::optional<std::string> defaultBrowserName();
    // A new default set (DefaultSet): twelve rows, 31, 3, 5, 8, 4, 9, 32, 33, 41, 51, 52, 53.
    plist::Array settingsDefault();
    plist::Array settingsDefault(plist::Array applications);
    plist::Dictionary zerroHotCorners() const;  // the eight keys, each "0"
    plist::Array appListOnSystem();             // the installed applications
    // A new owner snapshot (OwnerSnapshot::take), and the owner's hot corners (a key
    // not set is left out).
    plist::Array settingsUser(bool* allRead = nullptr);
    plist::Dictionary hotCornersOLD();

    // Applying a set (SetApplier); applayToSystem reads the stored Lendmode flag.
    void applayToSystem(std::uint64_t index);
    void applySet(std::uint64_t index, bool lendmodeOn);
    std::vector<std::string> disabledApplicationNames();
    std::vector<std::string> runningDisabledApplications();
    // Single settings changed at once while Lendmode is on (each setting's own).
    void scriptMouseInverse(bool on);
    void scriptHotCornersOFF(bool off);
    void scriptDockVisable(bool visible);
    void scriptDockPosition(std::uint64_t index);
    void scriptDarkMode(bool dark);
    void scriptDoNotDistrib(bool on);

    // Focus, from macOS 12: switched by two of the owner's Shortcuts (engine/settings/
    // DoNotDisturb). `installed` is what `shortcuts list` prints; `on` and `off` the two
    // chosen, or the default names. `switchable` is false before 12: no Shortcuts.
    struct FocusShortcuts {
        bool switchable = false;
        std::vector<std::string> installed;
        std::string on, off;
        bool missing() const;  // one of the two chosen is not installed
    };
    FocusShortcuts focusShortcuts();
    // Stores the Shortcut the Do Not Disturb row runs to switch Focus on (or off).
    [[nodiscard]] bool setFocusShortcut(bool on, const std::string& name);

    // Switching on and off (Switching). While one runs, the event loop keeps going:
    // switchLendmode ignores a second one (its completion runs at once), and the
    // callers of the two below keep out of a running switch themselves.
    const SwitchProgress& switchProgress() const { return progress_; }
    // The owner's Skip: the switch stops waiting for the application it is quitting.
    void skipWaitingQuit() { progress_.skipQuit(); }
    using Completion = std::function<void()>;
    void applaySelectedDefinitionCompletion(const Completion& completion);
    void restoreDefinitionSetsCompletion(const Completion& completion);

    // Alerts gathered instead of shown while one lives (model/CollectedAlerts.h).
    class CollectedAlerts;

    // Command runners (CommandRunners).
    std::optional<std::string> runShellScript(const std::string& command);
    std::string runAppleScript(const std::string& source);
    // Runs the block at once on the main thread; from another, queues it there.
    static void runMainThreadBlock(std::function<void()> block);

private:
    platform::Ports ports_;
    UserDefaults prefs_;
    LendmodeFlag flag_{prefs_};
    DefinitionSets sets_{prefs_};
    SwitchProgress progress_;
    Loan loan_ = Loan::fromEnvironment();
    bool ownerLockRequired_ = false;
    std::unique_ptr<Engine> engine_;
};

}  // namespace lendmode
