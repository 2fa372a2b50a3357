// The owner snapshot: a new set, the default set with the owner's current system
// settings read in.
#pragma once

#include "base/plist/Value.h"
#include "engine/CommandRunners.h"
#include "engine/DefaultSet.h"
#include "model/DefinitionSets.h"
#include "platform/Ports.h"

namespace lendmode {

class OwnerSnapshot {
public:
    OwnerSnapshot(const CommandRunners& run, const platform::Ports& ports, const DefinitionSets& sets,
                  const DefaultSet& defaults)
        : run_(run), ports_(ports), sets_(sets), defaults_(defaults) {}

    // The application query and every setting's reads run at once, none depending on
    // another; each setting then reads its own outputs into its row. allRead, when
    // given, says whether every setting's read answered: one that could not run (or
    // gave what is not text) left its row at the default, which is not the owner's.
    plist::Array take(bool* allRead = nullptr) const;

private:
    const CommandRunners& run_;
    const platform::Ports& ports_;
    const DefinitionSets& sets_;
    const DefaultSet& defaults_;
};

}  // namespace lendmode
