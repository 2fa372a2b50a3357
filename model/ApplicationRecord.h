// An installed application as the program knows it: its display name, whether the
// owner disabled it for guests, and its bundle path. The definition sets store each
// one as a three-element array, [name, disabled flag, path]; that layout is known
// here and nowhere else.
#pragma once

#include <string>
#include <string_view>

#include "base/plist/Value.h"

namespace lendmode {

struct ApplicationRecord {
    std::string name;
    bool disabled = false;
    std::string path;  // empty for records made by older versions

    // The stored form.
    plist::Value stored() &&;
    // Readings of a stored record in place, for lists of thousands: a missing or odd
    // element reads as the empty name, off, or the empty path.
    static std::string_view storedName(const plist::Value& value);
    static bool storedDisabled(const plist::Value& value);
    static std::string_view storedPath(const plist::Value& value);
    // Whether the stored record is well formed: [string, number, string] at least.
    static bool isWellFormed(const plist::Value& value);
    // Sets the disabled flag of a stored record; false when it is not one (changed nothing).
    static bool setStoredDisabled(plist::Value& value, bool disabled);
};

}  // namespace lendmode
