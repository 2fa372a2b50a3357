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
#include <string_view>
#include <vector>

#include "base/plist/Value.h"
#include "model/DefinitionSets.h"
#include "model/InstalledApplications.h"
#include "model/LendmodeFlag.h"
#include "model/UserDefaults.h"
#include "platform/Ports.h"

namespace lendmode {

struct Engine;  // engine/Engine.h

class Preferences {
public:
    // The shared object, created on first use with the ports given to useSharedPorts
    // (std::logic_error when none were) and kept until the process ends.
    static Preferences& sharedPreferences();
    // Only before the first sharedPreferences().
    static void useSharedPorts(platform::Ports ports);
    // For tests: a fresh shared object with these ports (init runs again), or none.
    // References to the previous object become invalid.
    static Preferences& resetShared(platform::Ports ports);
    static void resetShared();

    // init: registers the defaults ("LM008" = "0", "LM002" = NO), puts the owner's
    // settings back when an earlier process ended with the guest settings on (a
    // crash, a kill), and stores whether Lendmode is on. What this process holds of a
    // switch and the owner lock are read from the store here, once, and then kept:
    // a store changed or damaged while Lendmode runs cannot make it forget them.
    explicit Preferences(platform::Ports ports);
    ~Preferences();
    Preferences(const Preferences&) = delete;
    Preferences& operator=(const Preferences&) = delete;

    bool launchOnStartup() const;
    bool setLaunchOnStartup(bool value);
    // The owner lock's choice (its rules live in ui/OwnerLock).
    bool ownerLockRequired() const { return ownerLockRequired_; }
    bool setOwnerLockRequired(bool value);

    // The Lendmode flag (LendmodeFlag::set).
    bool lendmode() const { return flag_.value(); }
    bool setLendmode(bool value, bool withSwitch = false) { return flag_.set(value, withSwitch); }
    // The popover's switch: the flag, then the switch-on or the switch-off.
    void switchLendmode(bool on, const std::function<void()>& completion);
    // Whether the guest settings are on the system ("LM010").
    bool guestSettingsApplied() const;

    std::uint64_t currentSet() const { return sets_.currentSet(); }
    void setCurrentSet(std::uint64_t index) { sets_.setCurrentSet(index); }

    // The two definition sets once loaded: 0 the Lendmode set, 1 the owner snapshot.
    plist::Array& definitionSets() { return sets_.all(); }
    const plist::Array& definitionSets() const { return sets_.all(); }
    void setDefinitionSets(plist::Array sets) { sets_.replace(std::move(sets)); }
    // Disabled applications that were running and were quit at the last switch-on.
    std::vector<std::string>& appNeedRun();
    void setAppNeedRun(std::vector<std::string> names) { appNeedRun() = std::move(names); }

    UserDefaults& prefs() { return prefs_; }
    const platform::Ports& ports() const { return ports_; }

    // The short name of the default http handler; nothing when there is none.
    std::optional<std::string> defaultBrowserName();

    // A new default set (DefaultSet): nine rows, 31, 3, 5, 8, 4, 9, 32, 33, 41.
    plist::Array settingsDefault();
    plist::Array settingsDefault(plist::Array applications);
    // A hot-corner dictionary with every one of the eight keys at "0".
    plist::Dictionary zerroHotCorners() const;

    // The installed applications (model/InstalledApplications.h).
    plist::Array appListOnSystem();
    static constexpr const char* kApplicationQuery = lendmode::kApplicationQuery;
    static plist::Array applicationRecords(std::string_view queryOutput);
    static plist::Array mergedApplicationRecords(const plist::Array& listed, const plist::Array& installed);

    // A new owner snapshot (OwnerSnapshot::take).
    plist::Array settingsUser(bool* allRead = nullptr);
    // The Dock's hot-corner values the owner has set; a key not set is left out.
    plist::Dictionary hotCornersOLD();

    // Loads the sets (DefinitionSets::load) with a fresh owner snapshot.
    void readCurrentDefinitionSets();
    bool write_definitionSets() { return sets_.write(); }
    static std::string versionKey() { return DefinitionSets::versionKey(); }

    // Row access (DefinitionSets).
    void setObject(const std::optional<plist::Value>& value, const std::string& key, std::uint64_t ident) {
        sets_.setObject(value, key, ident);
    }
    std::optional<plist::Value> valueForKey(const std::string& key, std::uint64_t ident) const {
        return sets_.valueForKey(key, ident);
    }
    [[nodiscard]] plist::Array* appDisabled() { return sets_.appDisabled(); }
    [[nodiscard]] static plist::Array* applicationList(plist::Array& set) {
        return DefinitionSets::applicationList(set);
    }
    void setAppDisable(bool flag, std::uint64_t index) { sets_.setAppDisable(flag, index); }
    plist::Array* currentDefinitionSet() { return sets_.current(); }
    const plist::Array* currentDefinitionSet() const { return sets_.current(); }

    // Applying a set (SetApplier): the caller stores the new Lendmode flag first.
    void applayToSystem(std::uint64_t index);
    // The same with the Lendmode flag given.
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

    // Switching on and off (Switching).
    using Completion = std::function<void()>;
    void applaySelectedDefinitionCompletion(const Completion& completion);
    void restoreDefinitionSetsCompletion(const Completion& completion);

    // While one lives, the alerts this object would show are kept in it instead, each
    // answered with its first button; the log keeps them as ever. A switch asked from
    // the command line must not wait for a click. Scopes nest: the innermost gathers.
    class CollectedAlerts {
    public:
        explicit CollectedAlerts(Preferences& prefs);
        ~CollectedAlerts();
        CollectedAlerts(const CollectedAlerts&) = delete;
        CollectedAlerts& operator=(const CollectedAlerts&) = delete;
        const std::vector<platform::Alert>& alerts() const;

    private:
        class Gatherer;
        Preferences& prefs_;
        std::shared_ptr<Gatherer> gatherer_;
        std::shared_ptr<platform::AlertPresenter> shown_;  // the presenter put back at the end
    };

    // Command runners (CommandRunners).
    std::optional<std::string> runShellScript(const std::string& command);
    std::string runAppleScript(const std::string& source);
    // Runs the block at once on the main thread; from any other thread, queues it to
    // the main thread and returns.
    static void runMainThreadBlock(std::function<void()> block);

private:
    platform::Ports ports_;
    UserDefaults prefs_;
    LendmodeFlag flag_{prefs_};
    DefinitionSets sets_{prefs_};
    bool ownerLockRequired_ = false;
    std::unique_ptr<Engine> engine_;
};

}  // namespace lendmode
