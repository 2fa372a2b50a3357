// Applying a definition set to the system: each row's setting adds its part (script
// pieces, shell lines, steps of its own); the disabled applications are quit (switching
// on) or reopened (switching off); the browser step comes last. Every setting is
// applied on its own: one that fails stops no other, and is named.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/CommandRunners.h"
#include "engine/settings/Setting.h"
#include "model/DefinitionSets.h"
#include "model/SwitchProgress.h"
#include "model/UserDefaults.h"
#include "platform/Ports.h"

namespace lendmode {

class SetApplier {
public:
    SetApplier(const CommandRunners& run, const platform::Ports& ports, UserDefaults& prefs,
               DefinitionSets& sets, SwitchProgress& progress)
        : run_(run), ports_(ports), prefs_(prefs), sets_(sets), progress_(progress) {}

    // What set `index` takes, switching on or off; empty for a set that does not exist.
    settings::ApplyPlan plan(std::uint64_t index, bool lendmodeOn);

    // Asks the owner's consent, before anything changes, for every application the plan
    // sends Apple events to and for each application in `toQuit`, and checks
    // Accessibility where a piece needs it. Returns the settings' target that is refused,
    // which makes the switch impossible; otherwise takes out of the plan, and out of
    // `toQuit`, what cannot be done, each named in the plan.
    std::optional<std::string> prepare(settings::ApplyPlan& plan, std::vector<std::string>* toQuit);

    // What an apply could not do.
    struct Result {
        // Each setting that could not be changed: "Setting: why (where to allow it)".
        std::vector<std::string> notChanged;
        std::vector<std::string> notQuit;  // left running: their quitting could not be recorded
        // Left running: their quit did not come (skipped, refused, or not within kQuitWait).
        std::vector<std::string> stillRunning;
        bool settingsNotWritten = false;  // switching off: a write of the owner's settings failed
    };
    // Makes the system match the plan. Switching on quits `recordedRunning`, the running
    // disabled applications the caller recorded in "LM009" before anything changed, so
    // that a process killed half-way still knows what to reopen.
    // `https`: the https handler the browser step puts in place when it differs from
    // the browser's own (the owner's, at a switch-off).
    Result apply(settings::ApplyPlan plan, const std::vector<std::string>* recordedRunning = nullptr,
                 const std::optional<std::string>& https = std::nullopt);
    // The same for set `index`, with its consent asked first and the running disabled
    // applications recorded before any is quit.
    Result apply(std::uint64_t index, bool lendmodeOn);

    // The disabled applications (set 0's ticked records), each name once, in the list's order.
    std::vector<std::string> disabledApplicationNames() const;
    // Those of them that are running.
    std::vector<std::string> runningDisabledApplications() const;

    // The disabled applications that were running and were quit at the last switch-on.
    std::vector<std::string>& appNeedRun() { return appNeedRun_; }

    // How long a switch waits for an application to quit before going on without it
    // (LENDMODE_QUIT_WAIT_MS shortens it, for tests).
    static std::chrono::milliseconds quitWait();

private:
    // Quits one running application. A quit the application answers with a question
    // (an unsaved document) is given up at the owner's Skip or after quitWait(): the
    // application is left running, and so is one whose quit failed.
    enum class Quit { Quit, NotRunning, StillRunning };
    Quit quit(const std::string& name);
    // The settings' pieces as one script, and each on its own when that stops; the
    // failures named.
    void runPieces(const std::vector<settings::ScriptPiece>& pieces, const platform::MacOSRelease& release,
                   Result& result) const;
    // The browser step; an owner who keeps the old browser is told.
    void requestBrowser(const std::optional<std::string>& browser, const std::optional<std::string>& https,
                        Result& result);

    const CommandRunners& run_;
    const platform::Ports& ports_;
    UserDefaults& prefs_;
    DefinitionSets& sets_;
    SwitchProgress& progress_;
    std::vector<std::string> appNeedRun_;
};

}  // namespace lendmode
