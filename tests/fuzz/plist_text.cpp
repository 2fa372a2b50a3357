// The old-style listing that the simulated `defaults` prints (sim/defaults/PlistText),
// read back by a strict reader of that layout written here (the stand-in prints
// listings and reads only dates), and its date text.
//
// The first byte picks what the rest is:
//   0: a listing: when the reader takes it, printing what it read gives a listing that
//      reads as the same value;
//   1: a value: its listing reads back as the value's text: strings and keys as
//      themselves (bytes that are not UTF-8 as U+FFFD), numbers, booleans and dates
//      as printed, data as its bytes (long data as its printed head and tail);
//   2: a date text: when parseDate takes it (a date of years 1 to 9999), the date
//      printed parses to the same date; and a date made from the bytes prints as text
//      that parses back to its second.
#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>

#include "base/Utf8.h"
#include "sim/defaults/PlistText.h"
#include "tests/fuzz/support/FuzzInput.h"

namespace {

using plist::Value;

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool isAsciiAlnum(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// Reads a listing laid out as PlistText.h says: a container at depth L opens after 4·L
// spaces, its entries are indented 4·(L+1), it closes at 4·L; "KEY = VALUE;" in a
// dictionary, items separated by ","; scalars bare (ASCII letters and digits), quoted
// with \" \\ \n \t \r and \UXXXX escapes, or data. Anything else is refused.
class ListingReader {
public:
    explicit ListingReader(std::string_view text) : s_(text) {}

    std::optional<Value> read() {
        auto value = valueAt(0);
        if (!value || i_ != s_.size()) return std::nullopt;
        return value;
    }

private:
    bool take(std::string_view text) {
        if (s_.substr(i_, text.size()) != text) return false;
        i_ += text.size();
        return true;
    }
    bool takeIndent(int level) { return take(std::string(4 * static_cast<std::size_t>(level), ' ')); }
    bool atIndentThen(int level, char c) const {
        const std::size_t n = 4 * static_cast<std::size_t>(level);
        return s_.substr(i_, n) == std::string(n, ' ') && i_ + n < s_.size() && s_[i_ + n] == c;
    }

    std::optional<Value> valueAt(int level) {
        if (atIndentThen(level, '(') && s_.substr(i_ + 4 * static_cast<std::size_t>(level) + 1, 1) == "\n")
            return array(level);
        if (atIndentThen(level, '{') && s_.substr(i_ + 4 * static_cast<std::size_t>(level) + 1, 1) == "\n")
            return dictionary(level);
        return scalar();
    }

    std::optional<Value> array(int level) {
        takeIndent(level);
        take("(\n");
        plist::Array items;
        if (!atIndentThen(level, ')')) {
            for (;;) {
                if (!takeIndent(level + 1)) return std::nullopt;
                auto item = valueAt(level + 1);
                if (!item) return std::nullopt;
                items.push_back(std::move(*item));
                if (take(",\n")) continue;
                if (take("\n")) break;
                return std::nullopt;
            }
        }
        if (!takeIndent(level) || !take(")")) return std::nullopt;
        return Value(std::move(items));
    }

    std::optional<Value> dictionary(int level) {
        takeIndent(level);
        take("{\n");
        plist::Dictionary entries;
        while (!atIndentThen(level, '}')) {
            if (!takeIndent(level + 1)) return std::nullopt;
            auto key = text();
            if (!key || !take(" = ")) return std::nullopt;
            auto item = valueAt(level + 1);
            if (!item || !take(";\n")) return std::nullopt;
            entries.insert_or_assign(std::move(*key), std::move(*item));
        }
        if (!takeIndent(level) || !take("}")) return std::nullopt;
        return Value(std::move(entries));
    }

    std::optional<Value> scalar() {
        if (i_ < s_.size() && s_[i_] == '{') return data();
        auto t = text();
        if (!t) return std::nullopt;
        return Value(std::move(*t));
    }

    // A bare word or a quoted text.
    std::optional<std::string> text() {
        if (i_ >= s_.size()) return std::nullopt;
        if (s_[i_] != '"') {
            const std::size_t start = i_;
            while (i_ < s_.size() && isAsciiAlnum(s_[i_])) ++i_;
            if (i_ == start) return std::nullopt;
            return std::string(s_.substr(start, i_ - start));
        }
        ++i_;
        std::string out;
        std::u16string units;  // a run of \U escapes, decoded together for surrogate pairs
        const auto flushUnits = [&]() -> bool {
            for (std::size_t k = 0; k < units.size(); ++k) {
                char32_t cp = units[k];
                if (cp >= 0xDC00 && cp <= 0xDFFF) return false;
                if (cp >= 0xD800 && cp <= 0xDBFF) {
                    if (k + 1 >= units.size() || units[k + 1] < 0xDC00 || units[k + 1] > 0xDFFF) return false;
                    cp = 0x10000 + ((cp - 0xD800) << 10) + (units[++k] - 0xDC00);
                }
                fuzz::appendUtf8(out, cp);
            }
            units.clear();
            return true;
        };
        for (;;) {
            if (i_ >= s_.size()) return std::nullopt;
            const char c = s_[i_++];
            if (c == '\\' && i_ < s_.size() && s_[i_] == 'U') {
                if (i_ + 5 > s_.size()) return std::nullopt;
                unsigned unit = 0;
                for (std::size_t k = 1; k <= 4; ++k) {
                    const int d = hexDigit(s_[i_ + k]);
                    if (d < 0) return std::nullopt;
                    unit = unit * 16 + static_cast<unsigned>(d);
                }
                units.push_back(static_cast<char16_t>(unit));
                i_ += 5;
                continue;
            }
            if (!flushUnits()) return std::nullopt;
            if (c == '"') return out;
            if (c == '\\') {
                if (i_ >= s_.size()) return std::nullopt;
                switch (s_[i_++]) {
                    case '"': out += '"'; break;
                    case '\\': out += '\\'; break;
                    case 'n': out += '\n'; break;
                    case 't': out += '\t'; break;
                    case 'r': out += '\r'; break;
                    default: return std::nullopt;
                }
                continue;
            }
            // Everything else outside printable ASCII is escaped.
            if (c < 0x20 || c > 0x7E) return std::nullopt;
            out += c;
        }
    }

    // {length = N, bytes = 0x...}: all N bytes up to 24, else a head of 16 and a tail
    // of 8 (read as the text it is: those bytes are all that is shown).
    std::optional<Value> data() {
        const std::size_t start = i_;
        if (!take("{length = ")) return std::nullopt;
        std::size_t n = 0;
        const std::size_t digits = i_;
        while (i_ < s_.size() && s_[i_] >= '0' && s_[i_] <= '9' && i_ - digits < 12)
            n = n * 10 + static_cast<std::size_t>(s_[i_++] - '0');
        if (i_ == digits || (s_[digits] == '0' && i_ - digits > 1) || !take(", bytes = 0x"))
            return std::nullopt;
        const auto hexBytes = [&](std::size_t count, plist::Data& out) {
            for (std::size_t k = 0; k < count; ++k) {
                if (i_ + 2 > s_.size()) return false;
                const int hi = hexDigit(s_[i_]), lo = hexDigit(s_[i_ + 1]);
                if (hi < 0 || lo < 0 || std::isupper(static_cast<unsigned char>(s_[i_])) ||
                    std::isupper(static_cast<unsigned char>(s_[i_ + 1])))
                    return false;
                out.push_back(static_cast<std::uint8_t>(hi * 16 + lo));
                i_ += 2;
            }
            return true;
        };
        plist::Data bytes;
        if (n <= 24) {
            if (!hexBytes(n, bytes) || !take("}")) return std::nullopt;
            return Value(std::move(bytes));
        }
        for (int group = 0; group < 4; ++group) {
            if (!hexBytes(4, bytes) || !take(" ")) return std::nullopt;
        }
        if (!take("... ")) return std::nullopt;
        for (int group = 0; group < 2; ++group) {
            if (!hexBytes(4, bytes) || !take(" ")) return std::nullopt;
        }
        if (!take("}")) return std::nullopt;
        return Value(std::string(s_.substr(start, i_ - start)));
    }

    std::string_view s_;
    std::size_t i_ = 0;
};

// A text as a listing shows it: each byte that is not part of a UTF-8 sequence as U+FFFD.
std::string asShown(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size();) fuzz::appendUtf8(out, lendmode::nextCodePoint(text, i));
    return out;
}

// What the reader should make of a value's listing.
Value readingOf(const Value& value) {
    using Type = Value::Type;
    switch (value.type()) {
        case Type::String: return Value(asShown(*value.asString()));
        case Type::Integer: return Value(std::to_string(value.integer()));
        case Type::Real: return Value(sim::formatReal(value.real(), value.isSingleReal()));
        case Type::Boolean: return Value(value.boolean() ? "1" : "0");
        case Type::DateType: return Value(sim::formatDate(*value.asDate()));
        case Type::DataType: {
            const plist::Data& data = *value.asData();
            return data.size() <= 24 ? Value(data) : Value(sim::formatData(data));
        }
        case Type::ArrayType: {
            plist::Array items;
            for (const Value& item : *value.asArray()) items.push_back(readingOf(item));
            return Value(std::move(items));
        }
        case Type::DictionaryType: {
            plist::Dictionary entries;
            for (const auto& [key, item] : *value.asDictionary())
                entries.insert_or_assign(asShown(key), readingOf(item));
            return Value(std::move(entries));
        }
    }
    return Value();
}

// The listing of a value; a scalar inside an array of one, as listings hold them.
std::string listingOf(const Value& value) {
    if (value.isDictionary()) return sim::formatDomainListing(*value.asDictionary());
    if (value.isArray()) return sim::formatValueForRead(value);
    return sim::formatValueForRead(Value(plist::Array{value}));
}

void listingReadsBack(std::string_view text) {
    const auto value = ListingReader(text).read();
    if (!value) return;
    const std::string printed = listingOf(*value);
    const auto again = ListingReader(printed).read();
    const Value expected = value->isArray() || value->isDictionary() ? *value : Value(plist::Array{*value});
    if (!again || !fuzz::sameValue(*again, expected)) {
        fuzz::fail("a listing read and printed again reads as the same value",
                   "read " + fuzz::show(*value) + "\nprinted " + fuzz::showBytes(printed));
    }
}

void valueReadsBack(fuzz::Input& in) {
    fuzz::ValueOptions options;
    options.maxDepth = 5;
    options.maxText = 40;
    const Value value = fuzz::makeValue(in, options);
    const std::string text = listingOf(value);
    const auto read = ListingReader(text).read();
    const Value expected =
        readingOf(value.isArray() || value.isDictionary() ? value : Value(plist::Array{value}));
    if (!read)
        fuzz::fail("a value's listing can be read", fuzz::show(value) + "\nprinted " + fuzz::showBytes(text));
    if (!fuzz::sameValue(*read, expected)) {
        fuzz::fail("a value's listing reads as its text", "value " + fuzz::show(value) + "\nprinted " +
                                                              fuzz::showBytes(text) + "\nread " +
                                                              fuzz::show(*read));
    }
    // A key or string stays bare only when it is non-empty ASCII letters and digits.
    for (const auto& [key, item] : value.isDictionary() ? *value.asDictionary() : plist::Dictionary{}) {
        bool bare = !key.empty();
        for (char c : key) bare = bare && isAsciiAlnum(c);
        fuzz::require((sim::quotedString(key) == key) == bare, "only letters and digits stay bare",
                      fuzz::showBytes(key));
    }
}

// Dates the text can hold: years 1 to 9999.
constexpr double kFirstDate = -62135596800.0;  // 0001-01-01 00:00:00 UTC
constexpr double kLastDate = 253402300799.0;   // 9999-12-31 23:59:59 UTC

void datesReadBack(fuzz::Input& in) {
    const std::uint64_t bits = in.number(8);
    const std::string text(in.rest());
    // Offsets can carry a date read at the calendar's edges past year 9999 or before
    // year 1, which no four-digit year prints; only dates within are asked to come back.
    if (const auto date = sim::parseDate(text);
        date && date->secondsSince1970 >= kFirstDate && date->secondsSince1970 <= kLastDate) {
        const std::string printed = sim::formatDate(*date);
        const auto again = sim::parseDate(printed);
        if (!again || again->secondsSince1970 != date->secondsSince1970) {
            fuzz::fail("a date read and printed again reads as the same date",
                       fuzz::showBytes(text) + " printed as " + printed);
        }
    }
    double seconds = 0;
    std::memcpy(&seconds, &bits, sizeof seconds);
    if (!(seconds >= kFirstDate && seconds <= kLastDate)) {
        // Most bit patterns are far outside any calendar: spread them over it instead.
        seconds =
            kFirstDate + static_cast<double>(bits % static_cast<std::uint64_t>(kLastDate - kFirstDate + 1));
    }
    const std::string printed = sim::formatDate(plist::Date{seconds});
    const auto read = sim::parseDate(printed);
    if (!read || read->secondsSince1970 != std::floor(seconds)) {
        fuzz::fail("a date prints as text that parses back to its second",
                   std::to_string(seconds) + " printed as " + printed);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Input in(data, size);
    switch (in.byte() % 3) {
        case 0: listingReadsBack(in.rest()); break;
        case 1: valueReadsBack(in); break;
        default: datesReadBack(in); break;
    }
    return 0;
}
