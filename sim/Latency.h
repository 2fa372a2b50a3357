// How long the steps of a real Mac take, for a simulated Mac set to `realistic`
// latency (`lendmode-sim latency realistic`): the process doing the work (a stand-in
// tool, or the AppleScript interpreter in whichever process runs it) sleeps for the
// step's figure. A simulated Mac set to `none` (the seed) sleeps for nothing.
//
// The table below is the one place the figures live; docs/latency.md mirrors it. Each
// figure names its source; where nobody has published one, it says so and why the
// figure was chosen.
#pragma once

#include <chrono>
#include <string_view>

namespace sim {

enum class Latency { None, Realistic };

// The words `lendmode-sim latency` takes and prints.
std::string_view latencyName(Latency latency);

struct LatencyFigure {
    std::string_view name;
    std::chrono::milliseconds time;
};

namespace latency {

using std::chrono::milliseconds;

// A small Apple command-line tool's run, from exec to exit: `defaults`, `sw_vers`,
// `killall`, `mdfind` with a query other than the applications', `pmset`, `open`
// before the application it starts, and `caffeinate` before it holds its assertion.
// Source: "the process spawn plus preference read costs tens of milliseconds" for
// `defaults read` (github.com/talex-touch/tuff/issues/654). The others are estimated
// alike: they load the same frameworks and ask one daemon (powerd for pmset and
// caffeinate) one question.
inline constexpr LatencyFigure kCommandLineTool{"command-line tool run", milliseconds(30)};

// `mdfind` with the application-bundle query, from exec to the last path. Estimate: no
// published timing; Spotlight answers from its index, but it returns several hundred
// bundles on an ordinary Mac (441 in github.com/Automattic/harper/issues/4084), so
// the figure is set above a plain tool run.
inline constexpr LatencyFigure kMdfindQuery{"mdfind application query", milliseconds(150)};

// `shortcuts list` or `shortcuts run NAME`, from exec to exit. Estimate: no published
// timing; the tool starts the Shortcuts engine (a background service) and a run
// performs the Shortcut's actions, which commonly shows as about a second.
inline constexpr LatencyFigure kShortcutsRun{"shortcuts run", milliseconds(1000)};

// `osascript` starting, before its script's first Apple event: the process, the
// AppleScript component and compiling the text. Source: an osascript probe "round-trip"
// of "~100-300ms each" (github.com/juan294/summon/issues/294); the low end, since that
// figure includes an Apple event of its own.
inline constexpr LatencyFigure kOsascriptStart{"osascript start-up", milliseconds(100)};

// One Apple event to a running application and its reply (activate, quit, a System
// Events or System Preferences command). Source: Matt Neuburg, "AppleScript: The
// Definitive Guide", 20.2 "Scripting Additions and Speed": 5000 commands sent to the
// Finder took 944 ticks against 71 for the same commands in-process, about 3 ms
// each.
inline constexpr LatencyFigure kAppleEvent{"Apple event round trip", milliseconds(3)};

// An application starting until it answers events: `open -a`, `activate` of one that
// is not running, the start of an event's target (System Events, the settings
// application) and a start to ask for automation consent. Source: Howard Oakley,
// "Last Week on My Mac: Gone to launch" (macmegasite.com/2025/04/27): "a fast launch
// completed in just over half a second" (Pages), against a "brisk launch taking
// little more than a second" for Affinity Designer 2 elsewhere; a Mac's lighter
// applications are nearer the first.
inline constexpr LatencyFigure kApplicationLaunch{"application launch", milliseconds(600)};

// An application's quit, from the `quit` event to its reply, and an application with
// an unsaved document ending after the owner answered its question. Estimate: no
// published timing; an application closes its windows, writes its saved state and
// replies in a fraction of a second, less than it took to start.
inline constexpr LatencyFigure kApplicationQuit{"application quit", milliseconds(250)};

// The Dock, Notification Center, SystemUIServer or Finder started again after
// `killall`, until it has read its settings and drawn. Estimate: no published timing;
// a second is what one sees the Dock take to vanish and come back, and scripts in the
// wild wait longer (`delay 3` after `killall Dock` in
// github.com/kcrawford/dockutil/issues/147). On a Mac
// `killall` returns at once and the restart goes on alone; the simulated Mac has no
// process to finish it later, so `killall` waits for it and returns on a settled Mac.
inline constexpr LatencyFigure kSystemProcessRestart{"system process restart", milliseconds(1000)};

// The settings application (System Preferences, System Settings from 13) showing a
// revealed pane, after it runs. Estimate: no published timing; the pane's bundle is
// loaded and its view drawn, which takes longer than an application's reply to an
// event and is put at a second.
inline constexpr LatencyFigure kSettingsPaneReveal{"settings pane reveal", milliseconds(1000)};

// A Standard Additions command (`set volume`, `get volume settings`), which runs in
// the script's own process. Source: Neuburg (as kAppleEvent): 5000 commands handled
// in-process took 71 ticks, about 0.24 ms each, rounded up to a millisecond.
inline constexpr LatencyFigure kStandardAddition{"Standard Additions command", milliseconds(1)};

// The screen locking once asked to, by the Lock Screen shortcut (control-command-Q)
// or by the display sleeping with a password required at once, until the lock screen
// shows. Estimate: no published timing; the login window draws its lock screen over
// the session, which one sees take about half a second.
inline constexpr LatencyFigure kScreenLock{"screen lock", milliseconds(500)};

// Every figure, in the order docs/latency.md lists them.
inline constexpr const LatencyFigure* kTable[] = {
    &kCommandLineTool,    &kMdfindQuery,       &kShortcutsRun,    &kOsascriptStart,
    &kAppleEvent,         &kApplicationLaunch, &kApplicationQuit, &kSystemProcessRestart,
    &kSettingsPaneReveal, &kStandardAddition,  &kScreenLock,
};

}  // namespace latency

// Sleeps for the figures when latency is realistic; returns at once otherwise.
void spend(Latency latency, std::chrono::milliseconds time);
inline void spend(Latency latency, const LatencyFigure& figure) {
    spend(latency, figure.time);
}

// How long AppleScript waits for the reply to an Apple event before it fails with
// errAETimeout (-1712, "AppleEvent timed out."): two minutes, in both latencies.
// Source: the AppleScript Language Guide, "with timeout" (the default of two minutes);
// reports of scripts "hitting the 2 min default time limit"
// (github.com/subtleGradient/node-photoshop/pull/5,
// github.com/FWeinb/node-osascript/issues/4).
inline constexpr std::chrono::milliseconds kAppleEventTimeout(120000);
// Name of the environment variable that shortens it for tests (milliseconds).
inline constexpr const char* kAppleEventTimeoutVariable = "LENDMODE_SIM_APPLE_EVENT_TIMEOUT_MS";
// kAppleEventTimeout, or the variable's value when it is set to a number.
std::chrono::milliseconds appleEventTimeout();

}  // namespace sim
