// Whether a stored value can serve as a definition set. Stored data may have been
// edited by hand or written by a broken build; a set that fails here is not loaded.
#pragma once

#include "base/plist/Value.h"

namespace lendmode {

// An array of row dictionaries, each with a numeric "ID", in which every key the
// program reads has the type the program expects: texts are strings, "box" and
// "segmentSelected" numbers, tags integers, "dictHotCorners" a dictionary of strings,
// "DisabledApp" an array of [string, number, string] records, slider keys numbers.
// Keys the program does not know are allowed.
bool isUsableDefinitionSet(const plist::Value& set);

}  // namespace lendmode
