// What the fuzz targets share: a fuzzer's bytes read as choices (numbers, lengths,
// texts, property-list values), comparing values, and stopping on a broken property.
//
// A target turns its input into something to test and asserts what must hold for it;
// fail() aborts, so that libFuzzer keeps the input as a finding and a replay fails.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/plist/Value.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace fuzz {

// Reports a broken property on standard error and aborts.
[[noreturn]] void fail(std::string_view property, std::string_view detail = {});
inline void require(bool holds, std::string_view property, std::string_view detail = {}) {
    if (!holds) fail(property, detail);
}

// Consumes the input from the front. Once it is used up every choice is 0 (or empty),
// so any input makes a whole value.
class Input {
public:
    Input(const std::uint8_t* data, std::size_t size) : bytes_(reinterpret_cast<const char*>(data), size) {}
    explicit Input(std::string_view bytes) : bytes_(bytes) {}

    bool empty() const { return at_ >= bytes_.size(); }
    std::uint8_t byte();
    // n bytes (n <= 8), little-endian.
    std::uint64_t number(int n);
    // A number in [0, n); n > 0.
    std::size_t below(std::size_t n);
    bool flag() { return (byte() & 1) != 0; }
    // Raw bytes, as many as a leading length byte says (at most maxLength).
    std::string bytes(std::size_t maxLength);
    // Well-formed UTF-8: ASCII (control characters and NUL included) and other code
    // points from the whole range, surrogates excepted.
    std::string text(std::size_t maxLength);
    // One of the words, or (less often) a text of its own.
    std::string wordOr(const std::vector<std::string_view>& words, std::size_t maxLength);
    // What has not been read yet.
    std::string_view rest() const { return bytes_.substr(at_ < bytes_.size() ? at_ : bytes_.size()); }

private:
    std::string_view bytes_;
    std::size_t at_ = 0;
};

// What a generated value may hold.
struct ValueOptions {
    int maxDepth = 4;
    std::size_t maxItems = 6;
    std::size_t maxText = 24;
    // 4-byte reals besides 8-byte ones.
    bool singleReals = true;
    // Dates as any real would make them; otherwise whole seconds within 32 signed bits
    // of 2001-01-01, the dates every property-list format keeps exactly.
    bool anyDates = true;
    // Dictionary keys and strings are often taken from these.
    const std::vector<std::string_view>* words = nullptr;
};

plist::Value makeValue(Input& in, const ValueOptions& options, int depth = 0);

// The UTF-8 encoding of one code point (no surrogates, at most U+10FFFF).
void appendUtf8(std::string& out, char32_t cp);

// Equal as values: like ==, but a real or a date that is not a number equals another
// that is not a number (a NaN is never == itself).
bool sameValue(const plist::Value& a, const plist::Value& b);

// A readable form for failure messages (control and non-ASCII bytes as \xNN), cut short
// when long.
std::string show(const plist::Value& value);
std::string showBytes(std::string_view bytes);

}  // namespace fuzz
