// The one shared object through which the program reads and changes what is
// configured and what state Lendmode is in. It owns the two definition sets, the
// Lendmode flag, the index of the set applied at switch-on, the launch-at-login choice
// and the list of applications to reopen at switch-off. The system settings engine
// (command runners, snapshot, apply, switching) adds its operations to this class in
// engine/.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/plist/Value.h"
#include "model/UserDefaults.h"
#include "platform/Ports.h"

namespace lendmode {

class Preferences {
public:
    // The shared object, created on first use with the ports given to useSharedPorts
    // (std::logic_error when none were) and kept until the process ends.
    static Preferences& sharedPreferences();
    // The ports the shared object is created with: the program installs its
    // platform's. Only before the first sharedPreferences().
    static void useSharedPorts(platform::Ports ports);
    // For tests: replaces the shared object by a fresh one using these ports (runs
    // init again), or removes it so the next sharedPreferences() starts afresh.
    // References to the previous object become invalid.
    static Preferences& resetShared(platform::Ports ports);
    static void resetShared();

    // init: takes the ports, registers the defaults ("LM008" = "0", "LM002" = NO) and
    // switches Lendmode off in the store. When an earlier process ended while the
    // guest settings were on the system (a crash, a kill), the owner's stored
    // snapshot is applied first, so that they are not taken for the owner's.
    explicit Preferences(platform::Ports ports);
    Preferences(const Preferences&) = delete;
    Preferences& operator=(const Preferences&) = delete;

    // What this process holds of a switch (the Lendmode flag, whether the guest
    // settings are on, the owner's snapshot, the applications to reopen, the owner's
    // https handler) and the owner lock are read from the store once, at init, and
    // then kept here: the store is written for the next start, never re-read for
    // them, so that a store changed or damaged while Lendmode runs cannot make it
    // forget the owner's settings or lift the lock.
    bool launchOnStartup() const;
    bool setLaunchOnStartup(bool value);
    // Whether the owner lock is set (off unless the owner sets it). The lock's rules
    // live in the interface (ui/OwnerLock); this only stores the choice.
    bool ownerLockRequired() const;
    bool setOwnerLockRequired(bool value);

    bool lendmode() const { return lendmode_; }
    // Stores the flag and posts "VVVN2", but only when it differs from the current one.
    // False when it could not be stored; this process goes by the new value either way.
    // withSwitch: a switch-on or switch-off follows at once and stores the flag with
    // its own change, so that each phase writes the store once.
    bool setLendmode(bool value, bool withSwitch = false);
    // The popover's switch: the flag, then the switch-on or the switch-off.
    void switchLendmode(bool on, const std::function<void()>& completion);
    // Whether the guest settings are on the system ("LM010"): from just before a
    // switch-on changes anything until a switch-off has put the owner's back. The
    // switches rely on it, not on the flag, which their callers set beforehand.
    bool guestSettingsApplied() const { return guestSettingsApplied_; }

    std::uint64_t currentSet() const;
    void setCurrentSet(std::uint64_t index);

    // The two definition sets once loaded: 0 the Lendmode set, 1 the owner snapshot.
    // Empty until the sets are first loaded.
    plist::Array& definitionSets() { return definitionSets_; }
    const plist::Array& definitionSets() const { return definitionSets_; }
    void setDefinitionSets(plist::Array sets) { definitionSets_ = std::move(sets); }

    // Disabled applications that were running and were quit at the last switch-on.
    std::vector<std::string>& appNeedRun() { return appNeedRun_; }
    void setAppNeedRun(std::vector<std::string> names) { appNeedRun_ = std::move(names); }

    UserDefaults& prefs() { return prefs_; }
    const platform::Ports& ports() const { return ports_; }

    // ---- Default browser (engine/DefaultBrowser.cpp) ----
    // The short name of the default http handler; nothing when there is none.
    std::optional<std::string> defaultBrowserName();

    // ---- Definition rows (model/DefinitionRows.cpp) ----
    // A new default set: nine rows, 31, 3, 5, 8, 4, 9, 32, 33, 41. Looks up the default
    // browser and lists the installed applications.
    plist::Array settingsDefault();
    // The same with the application list given.
    plist::Array settingsDefault(plist::Array applications);
    // A new hot-corner dictionary with every one of the eight keys at "0".
    plist::Dictionary zerroHotCorners() const;

    // ---- Installed applications (model/InstalledApplications.cpp) ----
    // Records [name, NO, path] of every application bundle in /Applications or
    // /System/Applications, sorted by name (character codes, capitals first).
    plist::Array appListOnSystem();
    // The query it runs.
    static constexpr const char* kApplicationQuery =
        "mdfind \"kMDItemContentType == 'com.apple.application-bundle'\"";
    // The same from a query's output, one path per line.
    static plist::Array applicationRecords(std::string_view queryOutput);
    // A listed set of records brought up to date with the installed ones: every listed
    // record is kept with its flag, except an unticked one whose application is gone;
    // applications not listed yet are added unticked; the result is sorted by name as
    // the query's records are (records of the same name keep their order). A record is
    // known by its bundle path, or by its name when it has none. An empty installed
    // list changes nothing: the query may have failed.
    static plist::Array mergedApplicationRecords(const plist::Array& listed, const plist::Array& installed);
    // True when the records are what applicationRecords makes of the query's output:
    // the same applications, none ticked.
    static bool listsTheSameApplications(const plist::Array& records, std::string_view queryOutput);

    // ---- Owner snapshot (engine/Snapshot.cpp) ----
    // A new set: the default set with the owner's current settings read in. allRead,
    // when given, says whether every read answered: a read that could not run (or
    // gave what is not text) left its row at the default, which is not the owner's.
    plist::Array settingsUser(bool* allRead = nullptr);
    // The Dock's hot-corner values the owner has set; a key not set is left out, so
    // that putting them back adds none.
    plist::Dictionary hotCornersOLD();
    // The installed applications for a new snapshot. When the query lists the very
    // applications the snapshot in place lists, that list is taken over (and that
    // snapshot left without one) rather than made again: with thousands of
    // applications it is most of a snapshot's own work.
    plist::Array snapshotApplications();

    // ---- Persistence (model/Persistence.cpp) ----
    // Loads set 0 from "LM007" (rebuilt from the defaults on a new build or when the
    // stored set is unusable) and takes a fresh owner snapshot as set 1.
    void readCurrentDefinitionSets();
    // Stores both sets under "LM007"; false when they could not be stored.
    bool write_definitionSets();
    // "28-<short version>(<build number>)": YES once this build has stored the sets.
    static std::string versionKey();

    // ---- Row access (model/RowAccess.cpp) ----
    // Finds the row by "ID" in the current set, changes it in place (no value removes
    // the key), posts "VVVN1", then stores the sets. An unknown ID changes nothing.
    void setObject(const std::optional<plist::Value>& value, const std::string& key, std::uint64_t ident);
    std::optional<plist::Value> valueForKey(const std::string& key, std::uint64_t ident) const;
    // The live application list of set 0 (row 41's "DisabledApp"), which decides what
    // is blocked whatever set is current; nullptr when set 0 has none. The pointer is
    // valid until the sets are next replaced (readCurrentDefinitionSets,
    // setDefinitionSets): look it up when needed, never keep it.
    [[nodiscard]] plist::Array* appDisabled();
    // The application list of a set (row 41's "DisabledApp"); nullptr when it has none.
    [[nodiscard]] static plist::Array* applicationList(plist::Array& set);
    // Sets the disabled flag of the record at index in set 0's list, posts "VVVN1" and
    // stores. An index beyond the list is ignored.
    void setAppDisable(bool flag, std::uint64_t index);
    // The set that row access reads and writes: currentSet, or set 0 when the stored
    // index names no loaded set. Nothing before the sets are loaded.
    plist::Array* currentDefinitionSet();
    const plist::Array* currentDefinitionSet() const;

    // ---- Applying a set (engine/Apply.cpp) ----
    // Makes the system match set `index`: quits (Lendmode on) or reopens (off) the
    // disabled applications, runs one AppleScript text and one shell text built from
    // the rows, then sets the default browser. The caller stores the new Lendmode flag
    // first.
    void applayToSystem(std::uint64_t index);
    // What an apply could not do.
    struct ApplyResult {
        bool scriptFailed = false;         // the settings script stopped with an error
        std::vector<std::string> notQuit;  // left running: their quitting could not be recorded
        bool settingsNotWritten = false;   // switching off: a write of the owner's settings failed
    };
    // The same with the Lendmode flag given rather than read from the store. Switching
    // on records the running disabled applications in "LM009" before quitting any, so
    // that a process killed half-way still knows what to reopen; a caller that has
    // recorded them already passes them.
    ApplyResult applySet(std::uint64_t index, bool lendmodeOn,
                         const std::vector<std::string>* recordedRunning = nullptr);
    // The disabled applications (set 0's ticked records), each name once, in the list's order.
    std::vector<std::string> disabledApplicationNames();
    // Those of them that are running.
    std::vector<std::string> runningDisabledApplications();
    // Single settings applied at once.
    void scriptMouseInverse(bool on);
    void scriptHotCornersOFF(bool off);
    void scriptDockVisable(bool visible);
    void scriptDockPosition(std::uint64_t index);
    void scriptDarkMode(bool dark);
    void scriptDoNotDistrib(bool on);

    // ---- Switching on and off (engine/Switching.cpp) ----
    using Completion = std::function<void()>;
    // Takes a new owner snapshot as set 1, stores it with what a restore after a
    // crash needs, applies the current set, then calls the completion (if any).
    // Ignored while the guest settings are on. Refused, with Lendmode stored as off
    // again and an alert, when Apple events to System Events or System Preferences
    // are refused or the owner's settings cannot be stored: nothing is changed then.
    void applaySelectedDefinitionCompletion(const Completion& completion);
    // Applies set 1, the owner snapshot, reopening the applications the switch-on
    // quit, then calls the completion (if any). Ignored when the guest settings are
    // not on. Refused, with Lendmode stored as on again and an alert, when Apple
    // events are refused.
    void restoreDefinitionSetsCompletion(const Completion& completion);

    // ---- Alerts gathered instead of shown (engine/Switching.cpp) ----
    // While one lives, the alerts this object would show (a refused switch, a script
    // that stopped) are kept in it instead, each answered with its first button; the
    // log keeps them as ever. A switch asked from the command line must not wait for
    // a click. Scopes nest: the innermost gathers.
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

    // ---- Command runners (engine/CommandRunners.cpp) ----
    // Runs the text with /bin/sh -c and returns its standard output, read to the end;
    // nothing for an empty text, output that is not UTF-8, or a shell that cannot start.
    std::optional<std::string> runShellScript(const std::string& command);
    // While it lives, the texts given have run, at once (they must not depend on one
    // another), and runShellScript takes each output once instead of running its text.
    class RanAhead {
    public:
        RanAhead(Preferences& prefs, const std::vector<std::string>& commands);
        ~RanAhead();
        RanAhead(const RanAhead&) = delete;
        RanAhead& operator=(const RanAhead&) = delete;

    private:
        Preferences& prefs_;
    };
    // Compiles and runs the AppleScript text; the result's item texts joined with "\n",
    // the empty string on any failure.
    std::string runAppleScript(const std::string& source);
    // Runs the block at once on the main thread; from any other thread, queues it to
    // the main thread and returns. Callable on the object or on the class.
    static void runMainThreadBlock(std::function<void()> block);

private:
    void loadDefinitionSets();
    // The two sets as definitionSets holds them, moved in (a braced list would copy
    // every application record).
    static plist::Array twoSets(plist::Value lendmodeSet, plist::Value ownerSnapshot);
    // Puts the owner's settings back after an earlier process ended with the guest
    // settings on the system; see init. False when it was refused and Lendmode
    // stays on.
    bool restoreOwnerSettingsLeftOn(plist::Dictionary record);
    // The owner snapshot, the https handler and the quit applications put back.
    // Returns false when refused or when the owner's settings could not all be
    // written: the record is kept then, for a later try. Alerts on what went wrong.
    bool putOwnerSettingsBack();
    // The switch-on record as the copy keeps it: set 0's application list holds only
    // its ticked records and set 1's none, all a restore reads of them.
    static plist::Dictionary recordForCopy(const plist::Dictionary& record);
    // The record a start after an earlier process left the guest settings on goes
    // by: the store's when it holds one, else the record copy's.
    std::optional<plist::Dictionary> leftOnRecord();
    // Tells the owner, once per process, that the store lost the switch-on record
    // while Lendmode was on and the owner's settings came from the copy.
    void tellRecordLost();
    // The first application that Apple events are refused for, if any.
    std::optional<std::string> refusedAutomationTarget() const;
    void showAlert(const std::string& message, const std::string& informative) const;
    void storeRowChange();

    platform::Ports ports_;
    UserDefaults prefs_;
    plist::Array definitionSets_;
    std::vector<std::string> appNeedRun_;
    bool lendmode_ = false;
    bool guestSettingsApplied_ = false;
    bool ownerLockRequired_ = false;
    std::string ownerHttpsHandler_;  // "" for none
    bool toldRecordLost_ = false;
    // The flag when the store does not hold it yet: it goes with the switch's change,
    // or it could not be stored.
    std::optional<bool> unstoredLendmode_;
    std::map<std::string, std::optional<std::string>> ranAhead_;  // see RanAhead
    // The flag, for a change of the store that carries it, when it is not stored yet.
    void addUnstoredFlag(plist::Dictionary& change) const;
    // Stores the flag if it is not stored yet: the end of a switch that stored nothing.
    void storeUnstoredFlag();
};

}  // namespace lendmode
