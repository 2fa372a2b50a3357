// The facts kept in the simulated Mac's system/state.plist (running processes and
// their unsaved documents, restart counters, URL-scheme handlers and the owner's answer
// to a change of the default browser, the settings application's window, automation
// permission and which targets the owner was asked about, the latency), as operations
// on one in-memory copy of the file. SimMac answers and changes the
// file through them; a StateSession keeps one copy for a stretch of work.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/plist/Value.h"
#include "sim/Latency.h"
#include "sim/MacOSVersion.h"

namespace sim {

class SimMac;

// Process names the simulated system treats specially.
inline constexpr const char* kDock = "Dock";
inline constexpr const char* kNotificationCenter = "NotificationCenter";
inline constexpr const char* kSystemUIServer = "SystemUIServer";
inline constexpr const char* kSystemPreferences = "System Preferences";
inline constexpr const char* kSystemSettings = "System Settings";
inline constexpr const char* kSystemEvents = "System Events";
inline constexpr const char* kFinder = "Finder";

// The settings application is "System Preferences" up to macOS 12 and "System Settings"
// from 13 on, with the same bundle identifier (com.apple.systempreferences).
// LaunchServices still finds it by its old name: `tell application "System
// Preferences"` reaches System Settings.
std::string settingsApplicationName(const MacOSVersion& version);
std::string settingsApplicationPath(const MacOSVersion& version);
// Whether two application names are one target: equal, or both names of the settings
// application.
bool sameApplication(std::string_view a, std::string_view b);
// The Dock, Notification Center and SystemUIServer: the system starts them again by
// itself after they are killed.
bool restartsByItself(std::string_view name);

struct App {
    std::string path;              // bundle path as the Mac sees it: /Applications/Safari.app
    std::string name;              // bundle file name without extension: Safari
    std::string bundleIdentifier;  // com.apple.Safari
    bool agent = false;            // LSUIElement: launches are not announced
};

struct Process {
    std::string name;
    long pid = 0;
    std::string path;              // bundle path; empty for system processes
    bool unsavedDocument = false;  // a quit asks the owner whether to save it first
    bool askingToSave = false;     // that question is on screen, waiting for an answer
    // A process of this machine standing in for one of the Mac's (caffeinate): its pid
    // is real, and it counts only while that process lives (a kill -9 leaves its entry).
    bool host = false;
    std::string assertions{};  // caffeinate's power assertions as flags: "-d -i -w 1234"
};

// Whether the process still runs: always for a simulated one, kill(pid, 0) for a host one.
bool alive(const Process& p);
// Finder, too, is started again when it is killed (not when it quits).
bool restartsAfterKill(std::string_view name);

class SimState {
public:
    SimState() = default;
    explicit SimState(plist::Dictionary contents) : contents_(std::move(contents)) {}

    const plist::Dictionary& contents() const { return contents_; }
    plist::Dictionary release() { return std::move(contents_); }

    // ---- Processes ----
    std::vector<Process> processes() const;
    bool isRunning(std::string_view name) const;
    std::optional<Process> process(long pid) const;
    struct Launch {
        long pid = 0;
        bool started = false;  // false: it was running already
    };
    // Starts the application unless a process of that name runs.
    Launch launch(const App& app);
    // The process name an application runs under: the settings application's name of
    // this release for "System Preferences", any other name as it is.
    std::string processName(std::string_view application) const;
    // System Events and the settings application, which every Mac has whatever the
    // catalogue lists ("System Settings" only from 13 on); nothing for another name.
    std::optional<App> builtInApplication(std::string_view name) const;
    // Ends the processes `which` selects; the Dock, Notification Center and
    // SystemUIServer come back with a new pid and their restart counted, and Finder too
    // when `killed` (a signal, not a quit). How many ended.
    int endProcesses(const std::function<bool(const Process&)>& which, bool killed = false);
    // Adds a host process (Process::host); an earlier entry with its pid is replaced.
    void addHostProcess(Process p);
    // Removes the entry with this pid.
    void removeProcess(long pid);
    int restarts(std::string_view name) const;

    // ---- Unsaved documents and the question asked before quitting ----
    // Gives the running process of that name an unsaved document; false when none runs.
    bool addUnsavedDocument(std::string_view name);
    // Puts the save question up in the process with this pid; false when it has gone.
    bool askToSave(long pid);
    // The owner's answer to the question the named process asks: Save and Discard end
    // the process (its document saved or thrown away), Cancel closes the question and
    // keeps the process and its document. False when no process of that name asks.
    enum class SaveAnswer { Save, Discard, Cancel };
    bool answerSaveQuestion(std::string_view name, SaveAnswer answer);

    // ---- URL-scheme handlers ----
    std::vector<std::string> handlers(std::string_view scheme) const;
    std::optional<std::string> defaultHandler(std::string_view scheme) const;
    void setDefaultHandler(std::string_view scheme, std::string_view bundleIdentifier);
    void registerHandler(std::string_view scheme, std::string_view bundleIdentifier);

    // ---- The owner's answer when an application asks to become a default handler ----
    // Since OS X 10.10 a request to change the http handler shows a confirmation:
    // "Use" changes it, "Keep" leaves the old one, "Later" leaves the dialog up.
    enum class BrowserAnswer { Use, Keep, Later };
    // The answer the owner gives; Use when none is stored.
    BrowserAnswer browserAnswer() const;
    // Stores the answer; Use and Keep also answer the pending requests (Use applies them).
    void setBrowserAnswer(BrowserAnswer answer);
    // The requests whose dialog is up: scheme and bundle identifier, in scheme order.
    std::vector<std::pair<std::string, std::string>> pendingHandlers() const;
    // How many confirmations were asked.
    int handlerRequests() const;
    // One request, answered as browserAnswer() says; it is counted. A pending one
    // replaces an earlier pending one for the same scheme.
    BrowserAnswer requestDefaultHandler(std::string_view scheme, std::string_view bundleIdentifier);

    // ---- The settings application's window (System Preferences; System Settings from 13) ----
    // The revealed pane ("" when it runs without a window), or nullopt when it is not running.
    std::optional<std::string> systemPreferencesPane() const;
    // Reveals a pane (starting the application) or, with nullopt, quits it.
    void setSystemPreferencesPane(std::optional<std::string> pane);

    // ---- Automation permission ----
    // The answer the owner gives when asked about a target.
    bool automationAllowed(std::string_view target) const;
    // "*" stands for every application.
    void setAutomationAllowed(std::string_view target, bool allowed);
    // The targets the owner was asked about, in the order they were asked.
    std::vector<std::string> automationAsked() const;
    bool wasAskedAbout(std::string_view target) const;
    // Records that the owner was asked (once per target).
    void recordAutomationAsked(std::string_view target);
    // Forgets every answer given, as `tccutil reset AppleEvents` does: each target is
    // asked again.
    void resetAutomationAsked();

    // ---- Focus (macOS 12 and later) and the owner's Shortcuts ----
    // Focus has no public reading on a Mac; here it is a fact of the state, changed
    // only by running a Shortcut that switches it.
    bool focusOn() const;
    void setFocusOn(bool on);
    enum class ShortcutAction { FocusOn, FocusOff };
    // The installed Shortcuts, by name, in name order.
    std::vector<std::pair<std::string, ShortcutAction>> shortcuts() const;
    void addShortcut(std::string_view name, ShortcutAction action);

    // ---- The scroll direction in effect ----
    // What the trackpad does now: a click on the pane's checkbox changes it at once,
    // a written key only at the next login. Nothing when the state does not say
    // (the stored key is then in effect).
    std::optional<bool> naturalScrollingInEffect() const;
    void setNaturalScrollingInEffect(bool natural);

    // ---- Accessibility permission (UI scripting: clicks through System Events) ----
    bool accessibilityAllowed() const;
    void setAccessibilityAllowed(bool allowed);

    // ---- Sound (what `set volume` and `get volume settings` reach) ----
    bool outputMuted() const;  // seeded false
    void setOutputMuted(bool muted);
    int outputVolume() const;  // 0 to 100; 50 when the state does not say

    // ---- Desktop icons ----
    // What Finder read of com.apple.finder CreateDesktop when it last started (it reads
    // the key only then); nothing when it has not started since the seed (icons shown).
    std::optional<bool> finderCreateDesktop() const;
    void setFinderCreateDesktop(bool create);

    // ---- The screen lock ----
    bool screenLocked() const;  // seeded unlocked
    void setScreenLocked(bool locked);
    // Security & Privacy's "Require password immediately after sleep or screen saver
    // begins" (seeded on). From 10.13 macOS keeps it out of reach of `defaults`, so the
    // simulated Mac keeps it here; com.apple.screensaver askForPassword is not read.
    bool passwordAfterSleep() const;
    void setPasswordAfterSleep(bool on);

    std::string hardwareUUID() const;
    std::string userName() const;

    // ---- How long its steps take (sim/Latency.h) ----
    // None when the state does not say.
    Latency latency() const;
    void setLatency(Latency latency);

    // ---- The macOS version ----
    // The stored one; kOldestMacOS when none is stored or it cannot be read.
    MacOSVersion macOSVersion() const;
    // Stores it; a running settings application takes the release's name.
    void setMacOSVersion(const MacOSVersion& version);

private:
    plist::Dictionary contents_;
};

// What the system announces to launch listeners when an application starts.
plist::Dictionary launchAnnouncement(const App& app, long pid);

// One stretch of work on the state of a simulated Mac. The first use takes the Mac's
// lock and reads state.plist; queries and changes then work on that copy, and
// commit() writes it once (when something changed), lets the lock go and only then
// announces the applications the stretch started, so a listener that looks one up
// finds it. Every writer of the state takes the same lock, so the copy stays current
// for the whole stretch and the write loses nobody's change.
//
// Nothing that takes the lock itself may run during a stretch (a stand-in tool, a
// SimMac change, another session): commit first. Domain changes go through
// updateDomain, which uses the stretch's lock.
//
// When the lock cannot be taken the copy is read all the same, so queries work, and
// every change fails with the lock's errno.
class StateSession {
public:
    explicit StateSession(const SimMac& mac) : mac_(mac) {}
    ~StateSession();
    StateSession(const StateSession&) = delete;
    StateSession& operator=(const StateSession&) = delete;

    const SimState& state();

    // Applies a change to the copy. False, with errno set, when the lock was not taken
    // (nothing changed).
    [[nodiscard]] bool change(const std::function<void(SimState&)>& f);
    // Starts the application unless it runs; a start is announced at commit (not for
    // agents). The pid of the running process, or nullopt as for change.
    [[nodiscard]] std::optional<long> launch(const App& app);
    // SimMac::updateDomain, under the stretch's lock while one is held.
    [[nodiscard]] bool updateDomain(std::string_view domain, bool currentHost,
                                    const std::function<bool(plist::Dictionary&)>& change);

    // Writes the copy when it changed and ends the stretch; the next use reads the file
    // again. False, with errno set, when the write failed: the changes are lost and
    // nothing is announced.
    [[nodiscard]] bool commit();

private:
    bool open() const { return state_.has_value(); }
    void close();

    const SimMac& mac_;
    std::optional<SimState> state_;
    int lock_ = -1;
    int lockError_ = 0;
    bool changed_ = false;
    std::vector<plist::Dictionary> announcements_;
};

}  // namespace sim
