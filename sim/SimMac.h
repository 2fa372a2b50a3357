// One simulated Mac, kept in a directory (its root):
//
//   home/Library/Preferences/          preference domains (NSGlobalDomain is
//                                      .GlobalPreferences.plist; ByHost/ for -currentHost)
//   system/applications.plist          installed-application catalogue
//   system/applications.index          the same as text lines, for quick lookups
//   system/application-paths.txt       its paths alone, as mdfind prints them
//   system/state.plist                 running processes and their unsaved documents,
//                                      restart counters, URL-scheme handlers and the
//                                      owner's answer to a change of them, the settings
//                                      application's window, automation permission and
//                                      the targets asked about, hardware UUID, user
//                                      name, latency, sound, the screen lock and
//                                      what Finder read of CreateDesktop
//   system/owner-password              the owner's password as a salted hash, mode 0600
//                                      (sim/OwnerPassword.h)
//   run/                               launch-announcement sockets of running listeners
//   .lock                              serialises read-modify-write of any file here;
//                                      its owner's alone (mode 0600)
//
// Every stand-in tool and the in-process ports open the same directory, so many
// processes can work on it at once: changes are made under the lock and written
// atomically, and readers never see half a file.
//
// Every change reports failure (the lock could not be taken, or a file could not be
// written), with errno saying why; cannotUpdateMessage words it for the tools. A lock
// that another process holds is waited for a while (kLockWaitVariable, else 10 s), then
// given up with ETIMEDOUT: whoever else could take it cannot stall a change for long.
//
// Each query and change below reads state.plist afresh; a StateSession (SimState.h)
// answers many from one copy and writes them once.
#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/plist/Value.h"
#include "sim/SimState.h"

namespace sim {

// Name of the environment variable that names the simulated Mac's directory.
inline constexpr const char* kRootVariable = "LENDMODE_SIM_ROOT";
// Name of the environment variable that says how many milliseconds to wait for the
// lock at most (for tests; 10 s when unset or not a number).
inline constexpr const char* kLockWaitVariable = "LENDMODE_SIM_LOCK_WAIT_MS";

// What a `defaults` domain argument names: "-g", "-globalDomain" and "NSGlobalDomain"
// the global domain, stored as .GlobalPreferences; anything with a "/" the file at that
// path; anything else the domain of that name.
struct DomainName {
    enum class Kind { Global, Named, Path };
    Kind kind;
    // Its file without ".plist": ".GlobalPreferences", the name, or the path with a
    // ".plist" it ends in taken off.
    std::string stem;
};
DomainName domainName(std::string_view domain);

class SimMac {
public:
    // The root named by LENDMODE_SIM_ROOT, else the default location
    // ($XDG_DATA_HOME or ~/.local/share, then lendmode/simulated-mac). Absolute.
    static std::string rootFromEnvironment();

    // Opens the simulated Mac at root, creating and seeding it on first use. Throws
    // std::runtime_error when a new simulated Mac cannot be seeded.
    explicit SimMac(std::string root);
    // Opens the one named by the environment.
    SimMac() : SimMac(rootFromEnvironment()) {}

    const std::string& root() const { return root_; }
    std::string home() const { return root_ + "/home"; }
    std::string preferencesDirectory() const { return home() + "/Library/Preferences"; }

    // Runs f while holding the simulated Mac's lock (an flock, so it also excludes
    // other processes) and returns true. Returns false without running f when the lock
    // cannot be taken, with errno set: ETIMEDOUT when another process held it for the
    // whole wait. Not reentrant: do not nest.
    [[nodiscard]] bool withLock(const std::function<void()>& f) const;
    // How long taking the lock waits for another process at most.
    std::chrono::milliseconds lockWait() const { return lockWait_; }
    void setLockWait(std::chrono::milliseconds wait) { lockWait_ = wait; }

    // ---- Preference domains ----
    // The file behind a `defaults` domain argument (see domainName): the global domain
    // and a name are a file in Preferences (or in ByHost with the hardware UUID when
    // currentHost); a path is that path, with ".plist" added when missing.
    std::string domainFile(std::string_view domain, bool currentHost) const;
    std::optional<plist::Dictionary> readDomain(std::string_view domain, bool currentHost = false) const;
    // Changes one domain under the lock and writes it atomically. The callback gets the
    // current contents (empty when the domain does not exist) and returns false to
    // leave the file untouched. False when the lock could not be taken or the file
    // could not be written.
    bool updateDomain(std::string_view domain, bool currentHost,
                      const std::function<bool(plist::Dictionary&)>& change) const;

    // ---- Installed applications ----
    std::vector<App> catalogue() const;
    // The first catalogue entry with exactly this name (bundle name without extension).
    // Looked up in the catalogue's index when it is current.
    std::optional<App> findApp(std::string_view name) const;
    // Replaces the catalogue; false when it could not be written.
    bool setCatalogue(const std::vector<App>& apps) const;
    // The catalogue's bundle paths, one per line, in its order: what `mdfind` prints.
    // Read from an index kept beside the catalogue (so a query need not parse the
    // whole catalogue), or from the catalogue when the index is missing or older.
    std::string applicationPaths() const;

    // ---- Processes ----
    std::vector<Process> processes() const;
    bool isRunning(std::string_view name) const;
    // The running process with this pid.
    std::optional<Process> process(long pid) const;
    // Starts the application unless it is running; announces a launch to listeners
    // (not for agents). Returns the pid of the running process, or nullopt when the
    // state could not be updated (nothing was started or announced). With realistic
    // latency a start takes an application's launch time first.
    std::optional<long> launch(const App& app) const;
    // Starts a scripted application without activating it (as openApplicationAtURL
    // with activates = NO): "System Events" (a background process), "System
    // Preferences" (on 13+ its process is "System Settings"), or a catalogue
    // application. Not announced as a launch when it is an agent or System Events.
    // The pid, or nullopt when there is no such application or the state could not be
    // updated. Takes a launch's time as launch does.
    std::optional<long> startHidden(std::string_view applicationName) const;
    // Ends every process with exactly this name, without asking (SIGTERM): an unsaved
    // document is lost. The Dock, Notification Center, SystemUIServer and Finder are
    // started again by the system and their restart counted (Finder reads
    // com.apple.finder CreateDesktop as it starts); a host process is sent SIGTERM; with realistic latency
    // this returns once the restart is over. Returns how many processes were ended, or nullopt when the state
    // could not be updated (nothing was ended).
    [[nodiscard]] std::optional<int> killAll(std::string_view name) const;
    // Ends the process with this pid, the way killAll ends a process (the Dock and
    // its kind come back). True when it was ended, false when no process has this
    // pid, nullopt when the state could not be updated.
    [[nodiscard]] std::optional<bool> terminate(long pid) const;
    int restarts(std::string_view name) const;
    // A process of this machine that stands in for one of the Mac's (Process::host),
    // added and removed by the process itself. False when the state could not be updated.
    bool addHostProcess(const Process& process) const;
    bool removeProcess(long pid) const;

    // ---- Unsaved documents ----
    enum class DocumentChange { Done, NoSuchProcess, NotUpdated };
    // Gives the running process of that name an unsaved document, so that a quit asks
    // whether to save it. NoSuchProcess when none runs.
    DocumentChange addUnsavedDocument(std::string_view name) const;
    // The owner answers the save question the named process asks (SimState's
    // answerSaveQuestion); with realistic latency a save or discard takes the
    // application's quit time before it has ended. NoSuchProcess when no process of that
    // name asks.
    DocumentChange answerSaveQuestion(std::string_view name, SimState::SaveAnswer answer) const;

    // ---- URL-scheme handlers ----
    std::vector<std::string> handlers(std::string_view scheme) const;
    std::optional<std::string> defaultHandler(std::string_view scheme) const;
    // The direct change that tests and seeding use, asking nobody. These two return
    // false when the state could not be updated.
    bool setDefaultHandler(std::string_view scheme, std::string_view bundleIdentifier) const;
    bool registerHandler(std::string_view scheme, std::string_view bundleIdentifier) const;

    enum class HandlerRequest { Changed, Kept, Pending, NotUpdated };
    // A request to make bundleIdentifier the scheme's default, as an application sends
    // it: counted (the number of confirmations asked); with the answer "use" the
    // default changes; with "keep" nothing changes; with "later" the request stays
    // pending (the dialog stays up), replacing an earlier pending one for the same
    // scheme. NotUpdated when the state could not be updated (nothing was asked).
    HandlerRequest requestDefaultHandler(std::string_view scheme, std::string_view bundleIdentifier) const;
    // How many confirmations were asked so far.
    int handlerRequests() const;
    // The answer the owner gives (Use when none is set) and the requests still waiting.
    SimState::BrowserAnswer browserAnswer() const;
    std::vector<std::pair<std::string, std::string>> pendingHandlers() const;
    // Sets the answer for later requests; Use and Keep also answer the pending ones
    // (Use applies them). False when the state could not be updated.
    bool setBrowserAnswer(SimState::BrowserAnswer answer) const;

    // ---- The settings application's window (System Preferences; System Settings from 13) ----
    // The pane revealed in the running settings application ("" when it runs without a
    // window), or nullopt when it is not running.
    std::optional<std::string> systemPreferencesPane() const;
    // Reveals a pane (starting the application) or, with nullopt, quits it. False
    // when the state could not be updated.
    bool setSystemPreferencesPane(std::optional<std::string> pane) const;

    // ---- Automation permission ----
    // The answer the owner gives when asked whether this process may send Apple events
    // to the named application.
    bool automationAllowed(std::string_view target) const;
    // Refuse or allow one target; "*" stands for every application. False when the
    // state could not be updated.
    bool setAutomationAllowed(std::string_view target, bool allowed) const;
    enum class AutomationAnswer {
        Allowed,
        Refused,
        NotRunning /* procNotFound, -600 */,
        WouldAsk /* -1744 */
    };
    // What AEDeterminePermissionToAutomateTarget answers for the target: NotRunning
    // when no process of that name runs; else, when the owner was asked before, their
    // answer; else WouldAsk when askIfNeeded is false, or the owner is asked now
    // (recorded) and their answer returned. An answer that could not be recorded is
    // returned all the same; the owner is then asked again next time.
    AutomationAnswer askAutomation(std::string_view target, bool askIfNeeded) const;
    // The targets the owner was asked about, in the order asked.
    std::vector<std::string> automationAsked() const;
    // Forgets which targets were asked about (as `tccutil reset AppleEvents`); the
    // answers the owner will give stay. False when the state could not be updated.
    bool resetAutomationAsked() const;

    // ---- Focus and Shortcuts (macOS 12 and later) ----
    bool focusOn() const;
    std::vector<std::pair<std::string, SimState::ShortcutAction>> shortcuts() const;
    // False when the state could not be updated.
    bool addShortcut(std::string_view name, SimState::ShortcutAction action) const;
    enum class ShortcutRun { Ran, NotFound, NotUpdated };
    // Runs the named Shortcut: it switches Focus.
    ShortcutRun runShortcut(std::string_view name) const;

    // ---- Natural scrolling ----
    // The stored key (NSGlobalDomain com.apple.swipescrolldirection; on when absent)
    // and the direction in effect, which follows the key only at a login.
    bool naturalScrollingStored() const;
    bool naturalScrollingInEffect() const;
    // The owner logs in again: what is stored takes effect. False when the state
    // could not be updated.
    bool login() const;
    // Changes the scroll direction at once, as the private PreferencePanesSupport
    // function does on a Mac: the stored key (as `defaults` stores it) and the direction
    // in effect, under the lock. False when either could not be written (then neither
    // changed). Every release.
    bool setNaturalScrolling(bool natural) const;

    // ---- Do Not Disturb ----
    // The ByHost com.apple.notificationcenterui doNotDisturb key, which switches Do Not
    // Disturb before macOS 11. From 11 on the key is still written but switches
    // nothing (Focus, from 12, is changed otherwise): nullopt.
    std::optional<bool> doNotDisturbInEffect() const;

    // ---- Sound, desktop icons, power and the screen lock ----
    bool outputMuted() const;
    // com.apple.finder CreateDesktop as stored (true when absent), and whether the
    // desktop shows icons: Finder runs and read the key as true when it last started.
    bool createDesktopStored() const;
    bool desktopIconsShown() const;
    // The live caffeinate processes holding an assertion (dead entries left by a
    // kill -9 are skipped).
    std::vector<Process> powerAssertions() const;
    bool screenLocked() const;
    // These three: false when the state could not be updated.
    bool setScreenLocked(bool locked) const;
    bool setPasswordAfterSleep(bool on) const;
    // The display sleeps now (`pmset displaysleepnow`): the screen locks when a password
    // is required immediately after sleep.
    bool displaySleepNow() const;

    // ---- Accessibility permission ----
    // Whether UI scripting (clicks through System Events) is allowed. False from the
    // setter when the state could not be updated.
    bool accessibilityAllowed() const;
    bool setAccessibilityAllowed(bool allowed) const;

    std::string hardwareUUID() const;
    std::string userName() const;

    // ---- How long its steps take (sim/Latency.h) ----
    Latency latency() const;
    // False when the state could not be updated.
    bool setLatency(Latency latency) const;

    // ---- The macOS version (sw_vers) ----
    MacOSVersion macOSVersion() const;
    // False when the state could not be updated.
    bool setMacOSVersion(const MacOSVersion& version) const;

    // The whole state file, for inspection.
    plist::Dictionary state() const;

    // Directory for the launch-announcement sockets.
    std::string runDirectory() const;

private:
    friend class StateSession;

    std::string statePath() const { return root_ + "/system/state.plist"; }
    std::string cataloguePath() const { return root_ + "/system/applications.plist"; }
    std::string catalogueIndex() const { return root_ + "/system/applications.index"; }
    std::string pathsIndex() const { return root_ + "/system/application-paths.txt"; }
    // An index of the catalogue, when it is there and not older than the catalogue.
    std::optional<std::string> currentIndex(const std::string& file) const;
    SimState readState() const { return SimState(state()); }
    // Applies one change to the state file under the lock.
    [[nodiscard]] bool updateState(const std::function<void(SimState&)>& change) const;
    // Takes the lock: its file descriptor, or -1 with errno set. unlockFile lets it go
    // and leaves errno as it was.
    int lockFile() const;
    static void unlockFile(int fd);
    // The body of updateDomain, for a caller that holds the lock.
    bool changeDomainFile(const std::string& file,
                          const std::function<bool(plist::Dictionary&)>& change) const;
    void seedIfNeeded() const;
    // killAll and terminate: ends what `which` selects by a signal; the names ended.
    std::optional<std::vector<std::string>> kill(const std::function<bool(const Process&)>& which,
                                                 Latency& latency) const;

    std::string root_;
    std::chrono::milliseconds lockWait_;
};

// Makes a directory and its parents; false, with errno set, when it cannot be made.
bool makeDirectories(const std::string& path);

// What a stand-in tool prints when a change failed, REASON being the text of the
// errno value `error`: "TOOL: cannot update the simulated Mac at ROOT: REASON"; for
// ETIMEDOUT (the lock was held elsewhere all along) "it is locked by another process".
std::string cannotUpdateMessage(std::string_view tool, const SimMac& mac, int error);

}  // namespace sim
