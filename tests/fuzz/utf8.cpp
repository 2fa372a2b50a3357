// The UTF-8 routines (base/Utf8), against a strict decoder written here one byte at a
// time from the encoding's definition: isValidUtf8's eight-bytes-at-a-time path,
// sequenceLength and nextCodePoint at every position, and the UTF-16 conversions.
#include <cstdint>
#include <optional>
#include <string>

#include "base/Utf8.h"
#include "tests/fuzz/support/FuzzInput.h"

namespace {

struct Decoded {
    char32_t cp;
    std::size_t length;
};

// The well-formed sequence at text[i]: the shortest form of a code point up to
// U+10FFFF that is not a surrogate.
std::optional<Decoded> decodeStrictly(std::string_view text, std::size_t i) {
    const auto at = [&](std::size_t k) { return static_cast<std::uint8_t>(text[k]); };
    const std::uint8_t lead = at(i);
    std::size_t length = 0;
    char32_t cp = 0;
    if (lead < 0x80) return Decoded{lead, 1};
    if (lead >= 0xC0 && lead < 0xE0) {
        length = 2;
        cp = lead & 0x1F;
    } else if (lead >= 0xE0 && lead < 0xF0) {
        length = 3;
        cp = lead & 0x0F;
    } else if (lead >= 0xF0 && lead < 0xF8) {
        length = 4;
        cp = lead & 0x07;
    } else {
        return std::nullopt;
    }
    if (text.size() - i < length) return std::nullopt;
    for (std::size_t k = 1; k < length; ++k) {
        const std::uint8_t b = at(i + k);
        if ((b & 0xC0) != 0x80) return std::nullopt;
        cp = (cp << 6) | (b & 0x3F);
    }
    static constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < kSmallest[length] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return std::nullopt;
    return Decoded{cp, length};
}

bool validStrictly(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        const auto d = decodeStrictly(text, i);
        if (!d) return false;
        i += d->length;
    }
    return true;
}

std::string hex(std::string_view text) {
    return fuzz::showBytes(text);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    const bool valid = validStrictly(text);
    fuzz::require(lendmode::isValidUtf8(text) == valid, "isValidUtf8 agrees with a strict decoder",
                  hex(text));

    std::string walked;  // the text as nextCodePoint walks it
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto d = decodeStrictly(text, i);
        fuzz::require(lendmode::sequenceLength(text, i) == (d ? d->length : 0),
                      "sequenceLength agrees with a strict decoder", hex(text) + " at " + std::to_string(i));
    }
    for (std::size_t i = 0; i < text.size();) {
        const auto d = decodeStrictly(text, i);
        std::size_t next = i;
        const char32_t cp = lendmode::nextCodePoint(text, next);
        fuzz::require(cp == (d ? d->cp : U'\uFFFD') && next == i + (d ? d->length : 1),
                      "nextCodePoint takes a sequence, or one byte as U+FFFD",
                      hex(text) + " at " + std::to_string(i));
        fuzz::appendUtf8(walked, cp);
        i = next;
    }

    // To UTF-16 and back: well-formed text comes back as it was, any other as walked.
    const std::u16string units = lendmode::toUtf16(text);
    fuzz::require(lendmode::fromUtf16(units) == (valid ? std::string(text) : walked),
                  "UTF-8 to UTF-16 and back keeps the text", hex(text));

    // The bytes as UTF-16 units: what fromUtf16 makes is well-formed, and goes back to
    // the same units with each unpaired surrogate as U+FFFD.
    std::u16string raw(size / 2, u'\0');
    std::u16string expected;
    for (std::size_t k = 0; k < raw.size(); ++k)
        raw[k] = static_cast<char16_t>(data[2 * k] | data[2 * k + 1] << 8);
    for (std::size_t k = 0; k < raw.size(); ++k) {
        const char16_t u = raw[k];
        const bool high = u >= 0xD800 && u <= 0xDBFF;
        if (high && k + 1 < raw.size() && raw[k + 1] >= 0xDC00 && raw[k + 1] <= 0xDFFF) {
            expected += u;
            expected += raw[++k];
        } else {
            expected += (u >= 0xD800 && u <= 0xDFFF) ? u'\uFFFD' : u;
        }
    }
    const std::string fromUnits = lendmode::fromUtf16(raw);
    fuzz::require(validStrictly(fromUnits), "fromUtf16 makes well-formed UTF-8", hex(fromUnits));
    fuzz::require(lendmode::toUtf16(fromUnits) == expected, "UTF-16 to UTF-8 and back keeps the units",
                  hex(text));
    return 0;
}
