// What the hot-corner setting offers beside its row.
#pragma once

#include "base/plist/Value.h"
#include "engine/CommandRunners.h"

namespace lendmode::settings {

// A hot-corner dictionary with every one of the Dock's eight keys at "0".
plist::Dictionary zeroHotCorners();
// The Dock's hot-corner values the owner has set, read now; a key not set is left
// out, so that putting them back adds none.
plist::Dictionary ownerHotCorners(const CommandRunners& run);

}  // namespace lendmode::settings
