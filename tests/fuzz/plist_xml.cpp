// XML property lists, through libplist (plist::parse on XML bytes, plist::serialize).
//
// A value read from XML, written as XML and read again, must be the same value, and
// writing that value again must give the same text: nothing read is lost or changed
// on the way back out.
#include <cstdint>

#include "base/plist/BinaryReader.h"
#include "base/plist/PlistFile.h"
#include "tests/fuzz/support/FuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    // Binary lists are the other target's.
    if (plist::isBinaryPropertyList(bytes)) return 0;
    const auto value = plist::parse(bytes);
    if (!value) return 0;

    const std::string xml = plist::serialize(*value, plist::Format::Xml);
    const auto back = plist::parse(xml);
    if (!back)
        fuzz::fail("a value read from XML writes as XML that reads back", fuzz::show(*value) + "\n" + xml);
    if (!fuzz::sameValue(*back, *value)) {
        fuzz::fail("a value read from XML, written and read again, is the same",
                   "read " + fuzz::show(*value) + "\nread back " + fuzz::show(*back));
    }
    fuzz::require(plist::serialize(*back, plist::Format::Xml) == xml,
                  "a value read back from XML writes the same text again", xml);
    return 0;
}
