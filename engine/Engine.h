// The engine's parts as the shared Preferences holds them, each given its ports and
// collaborators by reference.
#pragma once

#include "engine/Apply.h"
#include "engine/CommandRunners.h"
#include "engine/DefaultSet.h"
#include "engine/Snapshot.h"
#include "engine/Switching.h"

namespace lendmode {

struct Engine {
    Engine(const platform::Ports& ports, UserDefaults& prefs, LendmodeFlag& flag, DefinitionSets& sets,
           SwitchProgress& progress, Loan& loan)
        : run(ports),
          defaults(run, ports, sets),
          snapshot(run, ports, sets, defaults),
          applier(run, ports, prefs, sets, progress),
          switching(ports, run, prefs, flag, sets, snapshot, defaults, applier, progress, loan) {}

    CommandRunners run;
    DefaultSet defaults;
    OwnerSnapshot snapshot;
    SetApplier applier;
    Switching switching;
};

}  // namespace lendmode
