// The one place that reads and writes UTF-8 (on top of utfcpp): validation, stepping
// through code points, and conversion to and from UTF-16 as binary property lists
// store it. Malformed input never throws: what cannot be decoded becomes U+FFFD.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace lendmode {

// True when the bytes are well-formed UTF-8 (no overlong forms, no surrogates,
// nothing above U+10FFFF).
bool isValidUtf8(std::string_view bytes);

// The code point at text[i], advancing i past it. A malformed sequence yields U+FFFD
// and consumes one byte, so that any byte string can be walked.
char32_t nextCodePoint(std::string_view text, std::size_t& i);

// The length of the well-formed sequence at text[i], or 0 when it is malformed.
std::size_t sequenceLength(std::string_view text, std::size_t i);

// UTF-8 to UTF-16 code units and back; malformed input and unpaired surrogates
// become U+FFFD.
std::u16string toUtf16(std::string_view text);
std::string fromUtf16(std::u16string_view units);

}  // namespace lendmode
