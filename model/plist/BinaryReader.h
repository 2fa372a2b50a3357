// A reader of binary property lists (bplist00) that checks every offset, length and
// reference, so that damaged or hostile files are refused rather than crashing the
// program. libplist's own binary reader can end the process with an assertion on
// some damaged input (a dictionary key holding a NUL byte), which a preference file
// touched by another program must never do.
#pragma once

#include <optional>
#include <string_view>

#include "model/plist/Value.h"

namespace plist {

bool isBinaryPropertyList(std::string_view bytes);
std::optional<Value> parseBinary(std::string_view bytes);

}  // namespace plist
