#include "base/Utf8.h"

#include <utf8.h>

#include <cstdint>
#include <cstring>

namespace lendmode {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

// The decoder of utfcpp without exceptions: false (and `at` unchanged) on error.
bool decode(std::string_view text, std::size_t& at, std::uint32_t& cp) {
    auto it = text.begin() + static_cast<std::ptrdiff_t>(at);
    if (utf8::internal::validate_next(it, text.end(), cp) != utf8::internal::UTF8_OK) return false;
    at = static_cast<std::size_t>(it - text.begin());
    return true;
}

}  // namespace

bool isValidUtf8(std::string_view bytes) {
    // ASCII eight bytes at a time (command output is nearly all ASCII); the decoder
    // judges each sequence that is not.
    std::size_t i = 0;
    while (i < bytes.size()) {
        if (i + 8 <= bytes.size()) {
            std::uint64_t word = 0;
            std::memcpy(&word, bytes.data() + i, 8);
            if ((word & 0x8080808080808080ULL) == 0) {
                i += 8;
                continue;
            }
        }
        if (static_cast<unsigned char>(bytes[i]) < 0x80) {
            ++i;
        } else if (const std::size_t n = sequenceLength(bytes, i); n > 0) {
            i += n;
        } else {
            return false;
        }
    }
    return true;
}

char32_t nextCodePoint(std::string_view text, std::size_t& i) {
    std::uint32_t cp = 0;
    if (decode(text, i, cp)) return cp;
    ++i;
    return kReplacement;
}

std::size_t sequenceLength(std::string_view text, std::size_t i) {
    std::size_t end = i;
    std::uint32_t cp = 0;
    return decode(text, end, cp) ? end - i : 0;
}

std::u16string toUtf16(std::string_view text) {
    std::u16string units;
    units.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const char32_t cp = nextCodePoint(text, i);
        if (cp >= 0x10000) {
            units.push_back(static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10)));
            units.push_back(static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF)));
        } else {
            units.push_back(static_cast<char16_t>(cp));
        }
    }
    return units;
}

std::string fromUtf16(std::u16string_view units) {
    std::string text;
    text.reserve(units.size());
    for (std::size_t i = 0; i < units.size(); ++i) {
        char32_t cp = units[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
            units[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (units[++i] - 0xDC00);
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            cp = kReplacement;  // an unpaired surrogate
        }
        utf8::append(static_cast<std::uint32_t>(cp), std::back_inserter(text));
    }
    return text;
}

}  // namespace lendmode
