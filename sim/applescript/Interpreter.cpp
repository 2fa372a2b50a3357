// Runs compiled statements against the simulated Mac.
//
// Events sent to an application (activate, quit, and every System Events or System
// Preferences command) first check the automation permission for that application;
// the first event to a target is when the owner is asked, and that is recorded.
// `do shell script` runs in the script's own process and needs none.
//
// From macOS 13 the settings application is System Settings. LaunchServices still
// finds it as "System Preferences", so those scripts reach it, but its errors and its
// process (as System Events sees it) carry the new name; its panes are extensions
// with other identifiers, so the old pane ids are not found, and its window has no
// tab group a click could reach.
//
// The simulated Mac's state file is read once and written once for each stretch of a
// script between shell commands: a StateSession holds the Mac's lock from the first
// query to the next `do shell script` or the end, answers every query from its copy
// and takes every change. Before a shell command the changes are written and the lock
// let go, since the command may change the state itself (killall, open); the next
// query reads what it left. A write that fails fails the last statement that changed
// the state before it. Preference domains are written at once, under the same lock.
//
// With realistic latency each event takes its round trip, a target that does not run
// takes its launch first (System Events starts for its first event, as it does on a
// Mac), a quit takes the application's quit and a revealed pane its loading
// (sim/Latency.h). The changes so far are written and the lock let go before each
// wait, so other processes go on meanwhile; the next query reads what they left.
//
// An application with an unsaved document asks whether to save it before it quits:
// the quit waits, without the lock, for the owner's answer (`lendmode-sim app NAME
// answer`), or for AppleScript's time-out.
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <exception>
#include <functional>
#include <optional>
#include <thread>

#include "base/Spawn.h"
#include "sim/Latency.h"
#include "sim/SimEnvironment.h"
#include "sim/SimMac.h"
#include "sim/SimState.h"
#include "sim/applescript/Syntax.h"

namespace sim::applescript {
namespace {

constexpr int kCantGet = -1728;
constexpr int kInvalidIndex = -1719;
constexpr int kCantMake = -1700;
constexpr int kCantSet = -10006;
constexpr int kNotAuthorized = -1743;
constexpr int kNotAllowedAssistiveAccess = -1719;
constexpr int kGeneric = -2700;
constexpr int kUserCanceled = -128;    // userCanceledErr
constexpr int kEventTimedOut = -1712;  // errAETimeout
// What System Events answers a keystroke from a client not trusted for Accessibility
// (macOS 10.14 on): "osascript is not allowed to send keystrokes. (1002)".
constexpr int kNotAllowedKeystrokes = 1002;

// How often a quit that waits for the owner's answer looks at the state.
constexpr std::chrono::milliseconds kAnswerPoll(20);

constexpr const char* kTrackpadPane = "com.apple.preference.trackpad";
constexpr const char* kGlobalDomain = "NSGlobalDomain";
constexpr const char* kDockDomain = "com.apple.dock";

// A value as a script writes it: strings quoted, lists in braces.
std::string sourceText(const plist::Value& value) {
    if (const auto* s = value.asString()) return quoted(*s);
    const auto* items = value.asArray();
    if (!items) return formatResult(value);
    std::string out = "{";
    for (std::size_t i = 0; i < items->size(); ++i) out += (i ? ", " : "") + sourceText((*items)[i]);
    return out + "}";
}

std::string describeLiteral(const Literal& literal) {
    if (literal.constant) return *literal.value.asString();
    return sourceText(literal.value);
}

[[noreturn]] void fail(int number, std::string message, Range range) {
    throw Failure{Error::Kind::Execution, number, std::move(message), range};
}

class Machine {
public:
    explicit Machine(const SimMac& mac) : mac_(mac), session_(mac) {}

    // True when a `return` ended the script.
    bool runAll(const std::vector<Statement>& statements) {
        for (const Statement& st : statements) {
            if (runOne(st)) return true;
        }
        return false;
    }

    // Writes what the statements since the last write changed.
    void commit() {
        if (!session_.commit() && changedBy_) failUpdate(*changedBy_, changeVerb_);
        changedBy_ = nullptr;
    }

    std::optional<plist::Value> result;

private:
    bool runOne(const Statement& st) {
        switch (st.kind) {
            case Statement::Kind::If: return runIf(st);
            case Statement::Kind::Tell: return runAll(st.body);
            case Statement::Kind::Return:
                result = st.hasValue ? std::optional<plist::Value>(evaluate(st.value)) : std::nullopt;
                return true;
            case Statement::Kind::Get: result = evaluate(st.value); break;
            case Statement::Kind::SetVolume: setVolume(st); break;
            case Statement::Kind::Keystroke: keystroke(st); break;
            case Statement::Kind::Quit: quit(st); break;
            case Statement::Kind::Activate: activate(st); break;
            case Statement::Kind::ShellScript: shellScript(st); break;
            case Statement::Kind::Set: set(st); break;
            case Statement::Kind::Reveal: reveal(st); break;
            case Statement::Kind::Click: click(st); break;
        }
        return false;
    }

    // A literal's value; `get volume settings` and its items are read now.
    plist::Value evaluate(const Literal& literal) {
        if (!literal.volumeSettings) return literal.value;
        elapse(latency::kStandardAddition.time);
        const SimState& s = session_.state();
        // Input and alert volume are what a Mac ships with; nothing here changes them.
        plist::Dictionary settings{{"output volume", static_cast<long long>(s.outputVolume())},
                                   {"input volume", 75LL},
                                   {"alert volume", 100LL},
                                   {"output muted", s.outputMuted()}};
        if (literal.field.empty()) return settings;
        return settings.at(literal.field);
    }

    // Standard Additions run in the script's own process; inside a tell block the
    // command is an event to the application told, which runs it.
    void setVolume(const Statement& st) {
        const bool muted = booleanValue(st);
        if (!st.application.empty()) {
            requirePermission(st.application, st.range);
            sendEvent(st);
        }
        elapse(latency::kStandardAddition.time);
        changeState(st, "set volume", [muted](SimState& s) { s.setOutputMuted(muted); });
        result.reset();
    }

    // Keystrokes go to the frontmost application; the simulated Mac knows one shortcut,
    // Lock Screen (control-command-Q, macOS 10.13 on), which the system takes first.
    void keystroke(const Statement& st) {
        requirePermission(st.application, st.range);
        sendEvent(st);
        result.reset();
        if (!session_.state().accessibilityAllowed()) {
            fail(kNotAllowedKeystrokes,
                 std::string(kSystemEvents) + " got an error: " + program_invocation_short_name +
                     " is not allowed to send keystrokes.",
                 st.range);
        }
        const plist::Value& text = st.value.value;
        if (!text.isString() || st.value.volumeSettings) {
            fail(kCantMake, "Can’t make " + describeLiteral(st.value) + " into type text.", st.value.range);
        }
        std::vector<std::string> keys = st.modifiers;
        std::sort(keys.begin(), keys.end());
        keys.erase(std::unique(keys.begin(), keys.end()), keys.end());
        const bool lockScreen =
            *text.asString() == "q" && keys == std::vector<std::string>{"command", "control"};
        if (!lockScreen) return;
        elapse(latency::kScreenLock.time);
        changeState(st, "keystroke", [](SimState& s) { s.setScreenLocked(true); });
    }

    // The name the application has on this release, the one it runs under and the
    // one its errors give.
    std::string nameOf(const std::string& application) { return session_.state().processName(application); }

    bool settingsApplication(const std::string& application) const {
        return sameApplication(application, kSystemPreferences);
    }

    bool runIf(const Statement& st) {
        // Asking whether an application runs sends it nothing and launches nothing.
        bool truth = st.conditionIsConstant ? st.conditionConstant
                                            : session_.state().isRunning(nameOf(st.application));
        if (st.negated) truth = !truth;
        result.reset();
        return runAll(truth ? st.body : st.otherwise);
    }

    void requirePermission(const std::string& application, Range range) {
        if (!session_.state().wasAskedAbout(application)) {
            // The owner answers now. Should the record not be written (the lock was not
            // taken), they are asked again next time; the event goes on either way.
            [[maybe_unused]] const bool recorded =
                session_.change([&application](SimState& s) { s.recordAutomationAsked(application); });
        }
        if (!session_.state().automationAllowed(application)) {
            fail(kNotAuthorized, "Not authorized to send Apple events to " + nameOf(application) + ".",
                 range);
        }
    }

    // The application a name reaches: System Events and the settings application ship
    // with every Mac, whatever the catalogue says.
    std::optional<App> applicationNamed(const std::string& application) {
        if (auto builtIn = session_.state().builtInApplication(application)) return builtIn;
        return mac_.findApp(application);
    }

    // The time a step takes on a real Mac, with realistic latency: what changed so far
    // is written and the lock let go first.
    void elapse(std::chrono::milliseconds time) {
        if (session_.state().latency() != Latency::Realistic || time.count() <= 0) return;
        commit();
        spend(Latency::Realistic, time);
    }

    std::optional<Process> processNamed(const std::string& name) {
        for (Process& p : session_.state().processes()) {
            if (p.name == name) return std::move(p);
        }
        return std::nullopt;
    }

    // An event to an application that does not run starts it first (hidden, as the
    // Apple Event Manager has LaunchServices do), then makes its round trip.
    void sendEvent(const Statement& st) {
        if (!session_.state().isRunning(nameOf(st.application))) {
            if (const std::optional<App> app = applicationNamed(st.application)) {
                elapse(latency::kApplicationLaunch.time);
                if (!session_.launch(*app)) failUpdate(st, "launch");
                changed(st, "launch");
            }
        }
        elapse(latency::kAppleEvent.time);
    }

    void quit(const Statement& st) {
        result.reset();
        if (st.application.empty()) return;
        const std::string name = nameOf(st.application);
        if (!session_.state().isRunning(name)) {
            if (!applicationNamed(st.application))
                fail(kCantGet, "Can’t get application " + quoted(st.application) + ".", st.range);
            return;  // nothing to quit
        }
        requirePermission(st.application, st.range);
        elapse(latency::kAppleEvent.time);
        // It answers the event as it is when the event arrives.
        const std::optional<Process> target = processNamed(name);
        if (!target) return;  // it ended meanwhile
        if (target->unsavedDocument) {
            askBeforeQuitting(st, *target);
            return;
        }
        elapse(latency::kApplicationQuit.time);
        const bool settings = settingsApplication(st.application);
        changeState(st, "quit", [&name, settings](SimState& s) {
            if (settings) {
                s.setSystemPreferencesPane(std::nullopt);
            } else {
                s.endProcesses([&name](const Process& p) { return p.name == name; });
            }
        });
    }

    // The owner is asked whether to save; the reply waits for their answer, which
    // another process gives (the lock is let go meanwhile). Save or discard: the
    // application has ended. Cancel: it runs on with its document. No answer within
    // AppleScript's time-out: the question stays up.
    void askBeforeQuitting(const Statement& st, const Process& target) {
        changeState(st, "quit", [pid = target.pid](SimState& s) { s.askToSave(pid); });
        commit();
        const auto deadline = std::chrono::steady_clock::now() + appleEventTimeout();
        for (;;) {
            const std::optional<Process> now = mac_.process(target.pid);
            if (!now) return;
            if (!now->askingToSave)
                fail(kUserCanceled, target.name + " got an error: User canceled.", st.range);
            const auto left = deadline - std::chrono::steady_clock::now();
            if (left <= std::chrono::steady_clock::duration::zero())
                fail(kEventTimedOut, target.name + " got an error: AppleEvent timed out.", st.range);
            std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(kAnswerPoll, left));
        }
    }

    void activate(const Statement& st) {
        result.reset();
        if (st.application.empty()) return;
        const bool running = session_.state().isRunning(nameOf(st.application));
        const std::optional<App> app = running ? std::nullopt : applicationNamed(st.application);
        if (!running && !app)
            fail(kCantGet, "Can’t get application " + quoted(st.application) + ".", st.range);
        requirePermission(st.application, st.range);
        if (running) {
            elapse(latency::kAppleEvent.time);
            return;
        }
        elapse(latency::kApplicationLaunch.time + latency::kAppleEvent.time);
        if (!session_.launch(*app)) failUpdate(st, "launch");
        changed(st, "launch");
    }

    void changeState(const Statement& st, const char* verb, const std::function<void(SimState&)>& f) {
        if (!session_.change(f)) failUpdate(st, verb);
        changed(st, verb);
    }

    // The statement a failed write will be reported against.
    void changed(const Statement& st, const char* verb) {
        changedBy_ = &st;
        changeVerb_ = verb;
    }

    // The simulated Mac's state could not be changed (lock or write failed, errno says
    // why): the event fails in the application it was sent to.
    [[noreturn]] void failUpdate(const Statement& st, const char* verb) {
        const int error = errno;
        fail(kGeneric,
             nameOf(st.application) + " got an error: Can’t " + verb + " (" + std::strerror(error) + ").",
             st.range);
    }

    void shellScript(const Statement& st) {
        const plist::Value v = evaluate(st.value);
        // The command may change the state itself and takes the Mac's lock to do so.
        commit();
        const std::string text = v.isString() ? *v.asString() : formatResult(v);
        const posix::ShellRun run = posix::runShell(text, shellEnvironment(mac_), /*waitForExit=*/true);
        if (!run.started) fail(kGeneric, "Can’t start /bin/sh.", st.range);
        std::string output = run.output;
        if (!output.empty() && output.back() == '\n') output.pop_back();
        if (run.exitStatus != 0) {
            fail(run.exitStatus, output.empty() ? "The command exited with a non-zero status." : output,
                 st.range);
        }
        result = plist::Value(std::move(output));
    }

    // ---- System Events ----

    [[noreturn]] void failSet(const Statement& st, const char* property, const std::string& object) const {
        fail(kCantSet,
             std::string(kSystemEvents) + " got an error: Can’t set " + property +
                 (object.empty() ? "" : " of ") + object + " to " + describeLiteral(st.value) + ".",
             st.range);
    }

    bool booleanValue(const Statement& st) const {
        if (!st.value.value.isBoolean() || st.value.constant) {
            fail(kCantMake, "Can’t make " + describeLiteral(st.value) + " into type boolean.",
                 st.value.range);
        }
        return st.value.value.boolean();
    }

    void set(const Statement& st) {
        requirePermission(st.application, st.range);
        sendEvent(st);
        using C = Element::Class;
        const std::string object = describePath(st.object);
        const bool single = st.object.size() == 1;
        switch (st.property) {
            case Property::Autohide: {
                if (!single || st.object[0].cls != C::DockPreferences) failSet(st, "autohide", object);
                const bool on = booleanValue(st);
                writeDomain(kDockDomain, st, [on](plist::Dictionary& d) { d["autohide"] = on; });
                break;
            }
            case Property::ScreenEdge: {
                if (!single || st.object[0].cls != C::DockPreferences) failSet(st, "screen edge", object);
                if (!st.value.constant) {
                    fail(kCantMake, "Can’t make " + describeLiteral(st.value) + " into type constant.",
                         st.value.range);
                }
                const std::string edge = *st.value.value.asString();
                writeDomain(kDockDomain, st, [&edge](plist::Dictionary& d) { d["orientation"] = edge; });
                break;
            }
            case Property::DarkMode: {
                if (!single || st.object[0].cls != C::AppearancePreferences) failSet(st, "dark mode", object);
                const bool dark = booleanValue(st);
                // Choosing an appearance ends automatic switching.
                writeDomain(kGlobalDomain, st, [dark](plist::Dictionary& d) {
                    if (dark) {
                        d["AppleInterfaceStyle"] = "Dark";
                    } else {
                        d.erase("AppleInterfaceStyle");
                    }
                    d.erase("AppleInterfaceStyleSwitchesAutomatically");
                });
                break;
            }
        }
        result = st.value.value;
    }

    template <typename Change>
    void writeDomain(const char* domain, const Statement& st, Change change) {
        const bool written = session_.updateDomain(domain, false, [&change](plist::Dictionary& d) {
            change(d);
            return true;
        });
        if (!written)
            fail(kGeneric, std::string(kSystemEvents) + " got an error: Can’t write the preferences.",
                 st.range);
    }

    // The user interface System Events sees: only the settings application shows a
    // window, the one of its revealed pane, and up to macOS 12 the trackpad pane's
    // first tab group has the natural-scrolling checkbox first. System Settings' window
    // (13 on) has no tab group.
    void click(const Statement& st) {
        requirePermission(st.application, st.range);
        sendEvent(st);
        result.reset();
        using C = Element::Class;
        const ObjectPath& path = st.object;
        const std::string prefix = std::string(kSystemEvents) + " got an error: ";
        // UI scripting needs the client to be trusted for Accessibility; macOS names
        // the client process in the error.
        if (!session_.state().accessibilityAllowed()) {
            fail(kNotAllowedAssistiveAccess,
                 prefix + program_invocation_short_name + " is not allowed assistive access.", st.range);
        }
        auto cantGet = [&](std::size_t upTo, int number) {
            const ObjectPath part(path.begin(), path.begin() + static_cast<std::ptrdiff_t>(upTo) + 1);
            fail(number,
                 prefix + "Can’t get " + describePath(part) +
                     (number == kInvalidIndex ? ". Invalid index." : "."),
                 st.range);
        };
        if (path.empty() || path[0].cls != C::Process) {
            fail(kCantGet, prefix + "Can’t get " + describePath(path) + ".", st.range);
        }
        const Element& process = path[0];
        if (!session_.state().isRunning(process.name)) cantGet(0, kCantGet);
        if (path.size() == 1) return;

        const SimState& state = session_.state();
        const bool settings = process.name == state.processName(kSystemPreferences);
        const std::optional<std::string> pane = settings ? state.systemPreferencesPane() : std::nullopt;
        const bool trackpad = pane && *pane == kTrackpadPane && state.macOSVersion().major < 13;
        const auto isFirst = [](const Element& e) { return e.key == Element::Key::Index && e.index == 1; };

        if (path[1].cls != C::Window) cantGet(1, kCantGet);
        const bool windowShown = pane && !pane->empty();
        const bool windowMatches =
            isFirst(path[1]) || (trackpad && path[1].key == Element::Key::Name && path[1].name == "Trackpad");
        if (!windowShown || !windowMatches) cantGet(1, kInvalidIndex);
        if (path.size() == 2) return;

        if (path[2].cls != C::TabGroup) cantGet(2, kCantGet);
        if (!trackpad || !isFirst(path[2])) cantGet(2, kInvalidIndex);
        if (path.size() == 3) return;

        if (path[3].cls != C::Checkbox || path.size() > 4) cantGet(3, kCantGet);
        if (!isFirst(path[3])) cantGet(3, kInvalidIndex);
        // The checkbox shows the stored key (natural scrolling is on unless the key says
        // otherwise); a click flips the key and the direction in effect at once.
        bool natural = false;
        writeDomain(kGlobalDomain, st, [&natural](plist::Dictionary& d) {
            auto it = d.find("com.apple.swipescrolldirection");
            natural = !(it == d.end() || it->second.truthValue());
            d["com.apple.swipescrolldirection"] = natural;
        });
        changeState(st, "click", [natural](SimState& s) { s.setNaturalScrollingInEffect(natural); });
    }

    // ---- System Preferences (System Settings from 13) ----

    void reveal(const Statement& st) {
        requirePermission(st.application, st.range);
        // The settings application starts for the event (its process appears with the
        // pane, below), then the event's round trip.
        const bool running = session_.state().isRunning(nameOf(st.application));
        elapse((running ? std::chrono::milliseconds(0) : latency::kApplicationLaunch.time) +
               latency::kAppleEvent.time);
        result.reset();
        using C = Element::Class;
        const ObjectPath& path = st.object;
        const bool isPane = path.size() == 1 && path[0].cls == C::Pane;
        const bool isAnchor = path.size() == 2 && path[0].cls == C::Pane && path[1].cls == C::Anchor;
        // System Settings' panes are extensions ("com.apple.Trackpad-Settings.extension");
        // the System Preferences pane ids name none of them.
        const bool oldPane = !path.empty() && path[0].name.starts_with("com.apple.preference.") &&
                             session_.state().macOSVersion().major >= 13;
        if ((!isPane && !isAnchor) || oldPane) {
            fail(kCantGet, nameOf(st.application) + " got an error: Can’t get " + describePath(path) + ".",
                 st.range);
        }
        const std::string& pane = path[0].name;
        elapse(latency::kSettingsPaneReveal.time);
        changeState(st, "reveal", [&pane](SimState& s) { s.setSystemPreferencesPane(pane); });
    }

    const SimMac& mac_;
    StateSession session_;
    // The last statement that changed the state since it was last written.
    const Statement* changedBy_ = nullptr;
    const char* changeVerb_ = "";
};

}  // namespace

Outcome run(const std::string& source, const SimMac& mac) {
    Outcome outcome;
    std::vector<Statement> script;
    try {
        script = compile(source);
    } catch (const Failure& f) {
        outcome.error = makeError(f.kind, f.number, f.message, f.range, source);
        return outcome;
    }
    Machine machine(mac);
    std::optional<Failure> failure;
    const auto attempt = [&](const auto& step) {
        try {
            step();
        } catch (const Failure& f) {
            failure = f;
        } catch (const std::exception& e) {
            // The simulated Mac's files could not be read or written.
            failure = Failure{Error::Kind::Execution, kGeneric, e.what(), {0, source.size()}};
        }
    };
    attempt([&] { machine.runAll(script); });
    // What ran before a failure stays in place, so it is written either way. A failed
    // write wins: it belongs to a statement before the one that stopped the script.
    attempt([&] { machine.commit(); });
    if (failure) {
        outcome.error = makeError(failure->kind, failure->number, failure->message, failure->range, source);
    } else {
        outcome.result = std::move(machine.result);
    }
    return outcome;
}

}  // namespace sim::applescript
