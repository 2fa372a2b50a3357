#include "base/plist/Value.h"

#include <cctype>
#include <cstdlib>
#include <limits>

namespace plist {

const Dictionary& Value::DictionaryBox::empty() {
    static const Dictionary none;
    return none;
}

std::int64_t leadingInteger(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    // Accumulate as a negative number so that the most negative value fits; saturate
    // instead of overflowing on absurdly long digit runs.
    std::int64_t value = 0;
    constexpr std::int64_t lowest = std::numeric_limits<std::int64_t>::min();
    for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
        const int digit = text[i] - '0';
        if (value < (lowest + digit) / 10) {
            value = lowest;
            continue;
        }
        value = value * 10 - digit;
    }
    if (negative) return value;
    return value == lowest ? std::numeric_limits<std::int64_t>::max() : -value;
}

bool Value::truthValue() const {
    switch (type()) {
        case Type::Boolean: return boolean();
        case Type::Integer: return integer() != 0;
        case Type::Real: return real() != 0.0;
        case Type::String: {
            // Foundation's boolValue: YES/Y/T (any case), or a non-zero leading number.
            const std::string& s = *asString();
            std::size_t i = 0;
            while (i < s.size() && std::isspace(static_cast<unsigned char>(s[i]))) ++i;
            if (i < s.size()) {
                const char c = static_cast<char>(std::toupper(static_cast<unsigned char>(s[i])));
                if (c == 'Y' || c == 'T') return true;
            }
            return leadingInteger(s) != 0;
        }
        default: return false;
    }
}

std::int64_t Value::integerValue() const {
    switch (type()) {
        case Type::Boolean: return boolean() ? 1 : 0;
        case Type::Integer: return integer();
        case Type::Real: {
            const double d = real();
            if (!(d == d)) return 0;  // NaN
            if (d >= 9.2e18) return std::numeric_limits<std::int64_t>::max();
            if (d <= -9.2e18) return std::numeric_limits<std::int64_t>::min();
            return static_cast<std::int64_t>(d);
        }
        case Type::String: return leadingInteger(*asString());
        default: return 0;
    }
}

double Value::doubleValue() const {
    switch (type()) {
        case Type::Boolean: return boolean() ? 1.0 : 0.0;
        case Type::Integer: return static_cast<double>(integer());
        case Type::Real: return real();
        case Type::String: {
            const std::string& s = *asString();
            return std::strtod(s.c_str(), nullptr);
        }
        default: return 0.0;
    }
}

const Value* Value::find(std::string_view key) const {
    const auto* dict = asDictionary();
    if (!dict) return nullptr;
    auto it = dict->find(key);
    return it == dict->end() ? nullptr : &it->second;
}

Value* Value::find(std::string_view key) {
    auto* dict = asDictionary();
    if (!dict) return nullptr;
    auto it = dict->find(key);
    return it == dict->end() ? nullptr : &it->second;
}

}  // namespace plist
