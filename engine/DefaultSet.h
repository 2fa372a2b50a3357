// A new default set: the first row ("When Lendmode is on"), one row per system setting
// in the registry's order with the applications row where the registry places it.
#pragma once

#include "base/plist/Value.h"
#include "engine/CommandRunners.h"
#include "model/DefinitionSets.h"
#include "platform/Ports.h"

namespace lendmode {

class DefaultSet {
public:
    DefaultSet(const CommandRunners& run, const platform::Ports& ports, const DefinitionSets& sets)
        : run_(run), ports_(ports), sets_(sets) {}

    // Lists the installed applications for it.
    plist::Array make() const;
    plist::Array make(plist::Array applications) const;
    // The installed applications, from the query.
    plist::Array installedApplications() const;

private:
    const CommandRunners& run_;
    const platform::Ports& ports_;
    const DefinitionSets& sets_;
};

}  // namespace lendmode
