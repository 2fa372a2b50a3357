// Applying a definition set to the system: each row's setting adds its part to one
// AppleScript text and one shell text; the disabled applications are quit (switching
// on) or reopened (switching off); the browser step comes last.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/CommandRunners.h"
#include "model/DefinitionSets.h"
#include "model/UserDefaults.h"
#include "platform/Ports.h"

namespace lendmode {

class SetApplier {
public:
    SetApplier(const CommandRunners& run, const platform::Ports& ports, UserDefaults& prefs,
               DefinitionSets& sets)
        : run_(run), ports_(ports), prefs_(prefs), sets_(sets) {}

    // What an apply could not do.
    struct Result {
        bool scriptFailed = false;         // the settings script stopped with an error
        std::vector<std::string> notQuit;  // left running: their quitting could not be recorded
        bool settingsNotWritten = false;   // switching off: a write of the owner's settings failed
    };
    // Makes the system match set `index`. Switching on records the running disabled
    // applications in "LM009" before quitting any, so that a process killed half-way
    // still knows what to reopen; a caller that has recorded them already passes them.
    Result apply(std::uint64_t index, bool lendmodeOn,
                 const std::vector<std::string>* recordedRunning = nullptr);

    // The disabled applications (set 0's ticked records), each name once, in the list's order.
    std::vector<std::string> disabledApplicationNames() const;
    // Those of them that are running.
    std::vector<std::string> runningDisabledApplications() const;

    // The disabled applications that were running and were quit at the last switch-on.
    std::vector<std::string>& appNeedRun() { return appNeedRun_; }

private:
    const CommandRunners& run_;
    const platform::Ports& ports_;
    UserDefaults& prefs_;
    DefinitionSets& sets_;
    std::vector<std::string> appNeedRun_;
};

}  // namespace lendmode
