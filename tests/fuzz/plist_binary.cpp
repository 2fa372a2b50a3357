// The binary property-list reader (through plist::parse) and writer.
//
// An input that starts as a binary list does ("bplist00") is read as one. What it
// reads must stay within the reader's expansion limit (a file whose shared objects
// would expand past 64 times its size, or 1 MiB for small files, is refused), and,
// written again and read back, must be the same value. Any other input is made into
// a value, which written and read back must be itself.
#include <algorithm>
#include <cstdint>

#include "base/plist/BinaryReader.h"
#include "base/plist/PlistFile.h"
#include "tests/fuzz/support/FuzzInput.h"

namespace {

// The reader's own accounting, from below: a fixed cost for every value and every
// dictionary key, plus the bytes of every text and data value. (It counts up to three
// bytes for each UTF-16 unit, which is never less than what the unit becomes.)
constexpr std::uint64_t kValueCost = 16;
constexpr std::uint64_t kExpansionFactor = 64;
constexpr std::uint64_t kMinExpansion = std::uint64_t{1} << 20;

std::uint64_t expandedSize(const plist::Value& value) {
    std::uint64_t size = kValueCost;
    if (const std::string* s = value.asString()) {
        size += s->size();
    } else if (const plist::Data* d = value.asData()) {
        size += d->size();
    } else if (const plist::Array* items = value.asArray()) {
        for (const plist::Value& item : *items) size += expandedSize(item);
    } else if (const plist::Dictionary* entries = value.asDictionary()) {
        for (const auto& [key, item] : *entries) size += kValueCost + key.size() + expandedSize(item);
    }
    return size;
}

void writtenAndReadBackIsTheSame(const plist::Value& value, const char* property) {
    const std::string written = plist::serialize(value, plist::Format::Binary);
    fuzz::require(plist::isBinaryPropertyList(written), property, "the writer made no binary list");
    const auto back = plist::parse(written);
    if (!back) fuzz::fail(property, "what the writer made does not read back: " + fuzz::show(value));
    if (!fuzz::sameValue(*back, value))
        fuzz::fail(property, "wrote " + fuzz::show(value) + "\nread back " + fuzz::show(*back));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    if (plist::isBinaryPropertyList(bytes)) {
        const auto value = plist::parse(bytes);
        if (!value) return 0;
        const std::uint64_t limit = std::max<std::uint64_t>(kMinExpansion, kExpansionFactor * size);
        fuzz::require(expandedSize(*value) <= limit, "a file read expands at most 64 times its size",
                      std::to_string(size) + " bytes read as " + std::to_string(expandedSize(*value)));
        writtenAndReadBackIsTheSame(*value, "a value read, written again and read back is the same");
        return 0;
    }
    fuzz::Input in(data, size);
    fuzz::ValueOptions options;
    options.maxDepth = 6;
    writtenAndReadBackIsTheSame(fuzz::makeValue(in, options), "any value written and read back is itself");
    return 0;
}
