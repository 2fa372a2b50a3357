// A reader of binary property lists (bplist00). We keep our own rather than libplist's
// for speed, and because it checks every offset, length and reference and bounds how
// far shared objects may expand, so that damaged or hostile files are refused rather
// than crashing or exhausting the program: a preference file touched by another
// program must never do that.
#pragma once

#include <optional>
#include <string_view>

#include "base/plist/Value.h"

namespace plist {

bool isBinaryPropertyList(std::string_view bytes);
std::optional<Value> parseBinary(std::string_view bytes);

}  // namespace plist
