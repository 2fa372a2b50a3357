#include "base/plist/BinaryReader.h"

#include "base/AppleEpoch.h"
#include "base/Utf8.h"
#include "base/plist/Limits.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace plist {
namespace {

// Objects may be referred to many times, so a small file can describe an enormous
// value. The reader counts what it produces: the bytes of every string, key and data
// value plus a fixed cost per value, and refuses the file once that passes 64 times
// its size, or 1 MiB for small files. A file without shared objects expands about five
// times at most; writers that store each string once (ours, Apple's) stay well inside.
constexpr std::uint64_t kValueCost = 16;
constexpr std::uint64_t kExpansionFactor = 64;
constexpr std::uint64_t kMinExpansion = std::uint64_t{1} << 20;
constexpr std::size_t kMaxValues = 20'000'000;

class Reader {
public:
    explicit Reader(std::string_view bytes)
        : b_(bytes), budget_(std::max<std::uint64_t>(kMinExpansion, kExpansionFactor * bytes.size())) {}

    std::optional<Value> read() {
        if (b_.size() < 8 + 32) return std::nullopt;
        const std::size_t t = b_.size() - 32;
        offsetSize_ = byte(t + 6);
        refSize_ = byte(t + 7);
        const auto count = be(t + 8, 8);
        const auto top = be(t + 16, 8);
        const auto table = be(t + 24, 8);
        if (!validIntSize(offsetSize_) || !validIntSize(refSize_) || !count || !top || !table)
            return std::nullopt;
        count_ = *count;
        table_ = *table;
        if (count_ == 0 || *top >= count_ || table_ < 8 || table_ > t ||
            (t - table_) / offsetSize_ < count_) {
            return std::nullopt;
        }
        return object(*top, 0);
    }

private:
    // Writers pick the fewest bytes that hold the largest offset or reference: 1 to 8.
    static bool validIntSize(std::size_t n) { return n >= 1 && n <= 8; }

    std::uint8_t byte(std::size_t at) const { return static_cast<std::uint8_t>(b_[at]); }

    // A big-endian unsigned integer of n bytes (n <= 8) at `at`, if it lies in the file.
    std::optional<std::uint64_t> be(std::size_t at, std::size_t n) const {
        if (at > b_.size() || n > b_.size() - at || n > 8) return std::nullopt;
        std::uint64_t v = 0;
        for (std::size_t i = 0; i < n; ++i) v = (v << 8) | byte(at + i);
        return v;
    }

    std::optional<std::uint64_t> offsetOf(std::uint64_t ref) const {
        if (ref >= count_) return std::nullopt;
        const auto off = be(static_cast<std::size_t>(table_ + ref * offsetSize_), offsetSize_);
        if (!off || *off < 8 || *off >= table_) return std::nullopt;
        return off;
    }

    // The length in the marker's low nibble, or (0xF) in the integer object after it.
    // Advances `pos` past any such integer.
    std::optional<std::uint64_t> length(std::uint8_t info, std::size_t& pos) const {
        if (info != 0xF) return info;
        if (pos >= b_.size()) return std::nullopt;
        const std::uint8_t marker = byte(pos);
        if ((marker & 0xF0) != 0x10 || (marker & 0x0F) > 3) return std::nullopt;
        const std::size_t n = std::size_t{1} << (marker & 0x0F);
        const auto v = be(pos + 1, n);
        pos += 1 + n;
        return v;
    }

    bool fits(std::size_t pos, std::uint64_t n) const { return pos <= b_.size() && n <= b_.size() - pos; }

    // Whether `bytes` more of expanded output stay within the budget, and if so counts
    // them. Checked before anything of that size is allocated.
    bool spend(std::uint64_t bytes) {
        if (bytes > budget_ - spent_) return false;
        spent_ += bytes;
        return true;
    }
    // Whether a container of n values could still be read, without counting them yet:
    // each item counts itself when it is read.
    bool affords(std::uint64_t n) const { return n <= (budget_ - spent_) / kValueCost; }

    // The object `ref` inside `depth` containers. References can nest containers
    // without bound (each array the only item of the next), even in a loop (an array
    // holding itself), so containers check depth here, where the recursion is.
    std::optional<Value> object(std::uint64_t ref, int depth) {
        if (++values_ > kMaxValues || !spend(kValueCost)) return std::nullopt;
        const auto offset = offsetOf(ref);
        if (!offset) return std::nullopt;
        std::size_t pos = static_cast<std::size_t>(*offset);
        const std::uint8_t marker = byte(pos++);
        const std::uint8_t info = marker & 0x0F;
        switch (marker >> 4) {
            case 0x0:
                if (marker == 0x08) return Value(false);
                if (marker == 0x09) return Value(true);
                return std::nullopt;
            case 0x1: {
                if (info > 4) return std::nullopt;
                const std::size_t n = std::size_t{1} << info;
                if (n == 16) return sixteenByteInteger(pos);
                const auto v = be(pos, n);
                if (!v) return std::nullopt;
                return Value(static_cast<long long>(*v));
            }
            case 0x2: {
                if (info == 2) {
                    const auto v = be(pos, 4);
                    if (!v) return std::nullopt;
                    float f;
                    const auto u = static_cast<std::uint32_t>(*v);
                    std::memcpy(&f, &u, 4);
                    return Value::singleReal(f);
                }
                if (info != 3) return std::nullopt;
                const auto v = be(pos, 8);
                if (!v) return std::nullopt;
                double d;
                std::memcpy(&d, &*v, 8);
                return Value(d);
            }
            case 0x3: {
                const auto v = marker == 0x33 ? be(pos, 8) : std::nullopt;
                if (!v) return std::nullopt;
                double d;
                std::memcpy(&d, &*v, 8);
                return Value(Date{d + lendmode::kAppleEpochOffset});
            }
            case 0x4: {
                const auto n = length(info, pos);
                if (!n || !fits(pos, *n) || !spend(*n)) return std::nullopt;
                const auto* p = reinterpret_cast<const std::uint8_t*>(b_.data() + pos);
                return Value(Data(p, p + *n));
            }
            case 0x5: {
                // ASCII only. A byte above 0x7F is refused rather than kept: Value holds
                // UTF-8, so the byte would be written back as U+FFFD, and two keys that
                // differ in such bytes would become one, losing a value. No writer puts
                // one there (CoreFoundation's, like ours, writes other text as UTF-16),
                // and CoreFoundation reads these strings as ASCII, which has no such byte.
                const auto n = length(info, pos);
                if (!n || !fits(pos, *n) || !spend(*n)) return std::nullopt;
                const std::string_view text = b_.substr(pos, static_cast<std::size_t>(*n));
                if (std::any_of(text.begin(), text.end(), [](char c) { return (c & 0x80) != 0; }))
                    return std::nullopt;
                return Value(std::string(text));
            }
            case 0x6: {
                const auto n = length(info, pos);
                // Up to three UTF-8 bytes for each UTF-16 unit.
                if (!n || *n > b_.size() / 2 || !fits(pos, *n * 2) || !spend(*n * 3)) return std::nullopt;
                auto text = utf16(pos, static_cast<std::size_t>(*n));
                if (!text) return std::nullopt;
                return Value(std::move(*text));
            }
            case 0x8: {
                const auto v = be(pos, std::size_t{info} + 1);
                if (!v) return std::nullopt;
                return Value(static_cast<long long>(*v));
            }
            case 0xA:
            case 0xC: {
                const auto n = length(info, pos);
                if (depth >= kMaxNesting || !n || *n > b_.size() / refSize_ || !fits(pos, *n * refSize_) ||
                    !affords(*n)) {
                    return std::nullopt;
                }
                Array array;
                array.reserve(static_cast<std::size_t>(*n));
                for (std::uint64_t i = 0; i < *n; ++i) {
                    auto item =
                        object(*be(pos + static_cast<std::size_t>(i * refSize_), refSize_), depth + 1);
                    if (!item) return std::nullopt;
                    array.push_back(std::move(*item));
                }
                return Value(std::move(array));
            }
            case 0xD: {
                const auto n = length(info, pos);
                if (depth >= kMaxNesting || !n || *n > b_.size() / (2 * refSize_) ||
                    !fits(pos, *n * 2 * refSize_) || !affords(*n * 2)) {
                    return std::nullopt;
                }
                Dictionary dict;
                for (std::uint64_t i = 0; i < *n; ++i) {
                    auto key = object(*be(pos + static_cast<std::size_t>(i * refSize_), refSize_), depth + 1);
                    if (!key || !key->isString()) return std::nullopt;
                    auto value =
                        object(*be(pos + static_cast<std::size_t>((*n + i) * refSize_), refSize_), depth + 1);
                    if (!value) return std::nullopt;
                    dict.insert_or_assign(std::move(*key->asString()), std::move(*value));
                }
                return Value(std::move(dict));
            }
            default: return std::nullopt;
        }
    }

    // A signed 128-bit integer: Apple's writers use one for values above INT64_MAX.
    // Value holds 64 signed bits, so anything outside them refuses the file rather
    // than turning into another number.
    std::optional<Value> sixteenByteInteger(std::size_t pos) const {
        const auto high = be(pos, 8);
        const auto low = be(pos + 8, 8);
        if (!high || !low) return std::nullopt;
        const bool negative = (*low >> 63) != 0;
        if (*high != (negative ? ~std::uint64_t{0} : 0)) return std::nullopt;
        return Value(static_cast<long long>(*low));
    }

    // UTF-16BE to UTF-8. Nothing for an unpaired surrogate: UTF-8 cannot hold one,
    // and as U+FFFD two keys that differ only there would become one.
    std::optional<std::string> utf16(std::size_t pos, std::size_t units) const {
        std::u16string text(units, u'\0');
        for (std::size_t i = 0; i < units; ++i) {
            text[i] = static_cast<char16_t>(byte(pos + 2 * i) << 8 | byte(pos + 2 * i + 1));
        }
        for (std::size_t i = 0; i < units; ++i) {
            const bool high = text[i] >= 0xD800 && text[i] < 0xDC00;
            const bool low = text[i] >= 0xDC00 && text[i] < 0xE000;
            if (low || (high && (i + 1 == units || text[i + 1] < 0xDC00 || text[i + 1] >= 0xE000)))
                return std::nullopt;
            if (high) ++i;  // and its pair
        }
        return lendmode::fromUtf16(text);
    }

    std::string_view b_;
    std::size_t offsetSize_ = 0;
    std::size_t refSize_ = 0;
    std::uint64_t count_ = 0;
    std::uint64_t table_ = 0;
    std::size_t values_ = 0;
    std::uint64_t budget_;
    std::uint64_t spent_ = 0;
};

}  // namespace

bool isBinaryPropertyList(std::string_view bytes) {
    return bytes.substr(0, 8) == "bplist00";
}

std::optional<Value> parseBinary(std::string_view bytes) {
    if (!isBinaryPropertyList(bytes)) return std::nullopt;
    return Reader(bytes).read();
}

}  // namespace plist
