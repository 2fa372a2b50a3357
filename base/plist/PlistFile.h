// Reading and writing property-list files (XML or binary). XML goes through
// libplist; binary lists through our own reader and writer (BinaryReader.h and
// BinaryWriter.h say why).
//
// Reading never throws and never crashes: a file that is missing, unreadable,
// malformed, or whose root is not of the wanted type gives std::nullopt. So does a file
// holding an integer outside 64 signed bits (binary lists store values above
// INT64_MAX in 16 bytes): Value cannot hold it, and reading it as another number would
// write that number back. Text is refused on the same ground when Value, which holds
// UTF-8, cannot hold it as it is: XML that is not UTF-8 or holds a NUL (which libplist
// would end the string at), a binary ASCII string with bytes above 0x7F, binary UTF-16
// with an unpaired surrogate. Read as U+FFFD or cut short, two keys could become one.
// Containers nested deeper than kMaxNesting are refused, XML ones before libplist builds
// them (it would free them recursively, past the end of the stack).
//
// An XML <real> has no width and reads as an 8-byte real, as CoreFoundation reads it;
// a binary list's 4-byte real stays a 4-byte one (Value::singleReal).
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "base/plist/Limits.h"
#include "base/plist/Value.h"

namespace plist {

enum class Format { Xml, Binary };

// Parses XML or binary property-list bytes.
std::optional<Value> parse(std::string_view bytes);
// Serialises a value; the root may be of any type. Empty for what would not read back
// the same: containers nested deeper than kMaxNesting, and in XML text that is not
// UTF-8 or holds a NUL.
std::string serialize(const Value& value, Format format);

// A file larger than kMaxFileSize is not read: nothing, with errno EFBIG, so that the
// caller can tell it from a damaged file (EINVAL) or one it cannot open or read (what
// open or read said).
std::optional<Value> readFile(const std::string& path);
std::optional<Dictionary> readDictionaryFile(const std::string& path);
std::optional<Array> readArrayFile(const std::string& path);

// Every write is atomic: a temporary file in the same folder, then a rename, so that a
// reader sees either the old file or the new one and never half of one. A durable
// write also flushes the file to disk before the rename and the folder after it, so
// that the next start after a crash or a power cut finds the new file: the owner's
// data is written so. The simulated Mac's own settings and state are not: macOS's
// tools hand their writes to a daemon and return without waiting for the disk.
enum class Durability { Durable, AtomicOnly };

// False on failure, with errno saying why (EINVAL for a value that serialize refuses,
// EFBIG for one larger than kMaxFileSize); the temporary file is gone by then.
[[nodiscard]] bool writeFile(const std::string& path, const Value& value, Format format = Format::Binary,
                             Durability durability = Durability::Durable);

// The same two for any bytes. Neither reads nor writes more than kMaxFileSize: EFBIG.
std::optional<std::string> readBytes(const std::string& path);
// `mode` is the file's permission bits, set before it takes the name.
[[nodiscard]] bool writeBytes(const std::string& path, std::string_view bytes, unsigned mode = 0644,
                              Durability durability = Durability::Durable);

}  // namespace plist
