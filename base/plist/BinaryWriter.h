// A writer of binary property lists (bplist00). Strings are stored once however often
// they occur. libplist's own binary writer takes about 60 ms for the program's two
// definition sets with 10,000 applications each; this one takes a few.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "base/plist/Value.h"

namespace plist {

// Empty when the value nests deeper than kMaxNesting (Limits.h): no reader here
// would read it back.
std::string serializeBinary(const Value& root);

// One value of a dictionary, encoded once for a place right after the dictionary in
// its file, and copied into each new file while it is unchanged: a file is always
// written whole, and this keeps a small change from encoding a large value again.
struct EncodedEntry {
    std::string key;                     // the dictionary key it is the value of
    std::string bytes;                   // its objects; empty until encoded
    std::vector<std::uint32_t> offsets;  // where each of them starts in bytes (lists are < 4 GiB)
    int refSize = 0;                     // the reference width they were encoded with
    std::uint64_t placedAt = 0;          // where bytes begin in the last list written with them
    // The dictionary's other values that are booleans, each with where its one byte
    // lies in the last list written (only strings are shared, so it is its own).
    std::vector<std::pair<std::string, std::uint64_t>> booleansAt;
};

// A dictionary as a binary property list, the value under kept.key placed first:
// copied from kept when kept.bytes holds it (the caller vouches that the value has
// not changed since), encoded into kept otherwise. Without that key, a plain list and
// kept emptied. Nothing when kept.bytes no longer fits (the file now needs wider
// references): the caller empties kept.bytes and calls again with the real value.
// Nothing also for a value nested deeper than kMaxNesting (the kept value is checked
// when it is encoded).
// keptValue, when given, is encoded in place of the dictionary's own entry for the
// key (which may then be a placeholder), so that a large value need not be copied in.
std::optional<std::string> serializeBinary(const Value& root, EncodedEntry& kept,
                                           const Value* keptValue = nullptr);

// Makes kept encode `value` by turning booleans over in place, when `value` differs
// from what kept encodes in booleans only (an application ticked): a large value is
// then not encoded again. False, kept unchanged, for any other difference. Relies on
// the writer's rule that only strings are shared between places.
bool updateBooleans(EncodedEntry& kept, const Value& value);
// The same in two steps: where in kept.bytes the booleans to turn over are (none
// when nothing changed; nothing at all for any other difference), then turning them.
std::optional<std::vector<std::size_t>> booleansToTurn(const EncodedEntry& kept, const Value& value);
void turnBooleans(EncodedEntry& kept, const std::vector<std::size_t>& positions);
// A boolean's byte turned over: false (0x08) to true (0x09) and back.
inline char turned(char byte) {
    return byte == '\x08' ? '\x09' : '\x08';
}

}  // namespace plist
