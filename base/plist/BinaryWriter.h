// A writer of binary property lists (bplist00). Strings are stored once however often
// they occur. libplist's own binary writer takes about 60 ms for the program's two
// definition sets with 10,000 applications each; this one takes a few.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "base/plist/Value.h"

namespace plist {

std::string serializeBinary(const Value& root);

// One value of a dictionary, encoded once for a place right after the dictionary in
// its file, and copied into each new file while it is unchanged: a file is always
// written whole, and this keeps a small change from encoding a large value again.
struct EncodedEntry {
    std::string key;                     // the dictionary key it is the value of
    std::string bytes;                   // its objects; empty until encoded
    std::vector<std::uint64_t> offsets;  // where each of them starts in bytes
    int refSize = 0;                     // the reference width they were encoded with
};

// A dictionary as a binary property list, the value under kept.key placed first:
// copied from kept when kept.bytes holds it (the caller vouches that the value has
// not changed since), encoded into kept otherwise. Without that key, a plain list and
// kept emptied. Nothing when kept.bytes no longer fits (the file now needs wider
// references): the caller empties kept.bytes and calls again with the real value.
// keptValue, when given, is encoded in place of the dictionary's own entry for the
// key (which may then be a placeholder), so that a large value need not be copied in.
std::optional<std::string> serializeBinary(const Value& root, EncodedEntry& kept,
                                           const Value* keptValue = nullptr);

}  // namespace plist
