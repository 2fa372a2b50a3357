// The Dock's hot-corner settings as `defaults read com.apple.dock | grep wvous`
// prints them: lines of the domain's old-style listing.
#pragma once

#include <string_view>

#include "base/plist/Value.h"

namespace lendmode {

// Sets each key of `corners` that the listing holds as an entry of the domain's top
// level, `    "KEY" = DIGITS;`, to those digits (as a string); other keys keep their
// values. Entries of nested dictionaries (indented further) do not count, nor do
// values that are not plain digits (quoted, negative, containers) or longer than any
// 64-bit integer. The first such line of a key wins.
void readHotCornersFromDockListing(std::string_view listing, plist::Dictionary& corners);

// Whether the listing holds the key as an entry of the domain's top level, whatever
// its value.
bool dockListingHasKey(std::string_view listing, std::string_view key);

}  // namespace lendmode
