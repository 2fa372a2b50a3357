#include "sim/defaults/PlistText.h"

#include <cmath>
#include <cstdint>
#include <cstdio>

#include "base/Utf8.h"

namespace sim {
namespace {

constexpr char kHexDigits[] = "0123456789abcdef";

bool isAsciiAlnum(unsigned char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

void appendUnicodeEscape(std::string& out, unsigned unit) {
    out += "\\U";
    for (int shift = 12; shift >= 0; shift -= 4) out += kHexDigits[(unit >> shift) & 0xF];
}

void appendQuoted(std::string& out, std::string_view text) {
    bool bare = !text.empty();
    for (char c : text) {
        if (!isAsciiAlnum(static_cast<unsigned char>(c))) {
            bare = false;
            break;
        }
    }
    if (bare) {
        out += text;
        return;
    }
    out += '"';
    for (std::size_t i = 0; i < text.size();) {
        const char32_t cp = lendmode::nextCodePoint(text, i);
        switch (cp) {
            case U'"': out += "\\\""; continue;
            case U'\\': out += "\\\\"; continue;
            case U'\n': out += "\\n"; continue;
            case U'\t': out += "\\t"; continue;
            case U'\r': out += "\\r"; continue;
            default: break;
        }
        if (cp >= 0x20 && cp < 0x7F) {
            out += static_cast<char>(cp);
        } else if (cp < 0x10000) {
            appendUnicodeEscape(out, static_cast<unsigned>(cp));
        } else {
            const char32_t v = cp - 0x10000;
            appendUnicodeEscape(out, static_cast<unsigned>(0xD800 + (v >> 10)));
            appendUnicodeEscape(out, static_cast<unsigned>(0xDC00 + (v & 0x3FF)));
        }
    }
    out += '"';
}

void appendIndent(std::string& out, int level) {
    out.append(4 * static_cast<std::size_t>(level), ' ');
}

std::string realText(const plist::Value& real) {
    return formatReal(real.real(), real.isSingleReal());
}

void appendListing(std::string& out, const plist::Value& value, int level) {
    using Type = plist::Value::Type;
    switch (value.type()) {
        case Type::String: appendQuoted(out, *value.asString()); return;
        // Numbers are bare or quoted by the rule for strings: "-1" and "0.5", but 36.
        case Type::Integer: appendQuoted(out, std::to_string(value.integer())); return;
        case Type::Boolean: out += value.boolean() ? '1' : '0'; return;
        case Type::Real: appendQuoted(out, realText(value)); return;
        case Type::DateType: out += '"' + formatDate(*value.asDate()) + '"'; return;
        case Type::DataType: out += formatData(*value.asData()); return;
        case Type::ArrayType: {
            const plist::Array& items = *value.asArray();
            appendIndent(out, level);
            out += "(\n";
            for (std::size_t i = 0; i < items.size(); ++i) {
                appendIndent(out, level + 1);
                appendListing(out, items[i], level + 1);
                out += i + 1 < items.size() ? ",\n" : "\n";
            }
            appendIndent(out, level);
            out += ')';
            return;
        }
        case Type::DictionaryType: {
            appendIndent(out, level);
            out += "{\n";
            for (const auto& [key, item] : *value.asDictionary()) {
                appendIndent(out, level + 1);
                appendQuoted(out, key);
                out += " = ";
                appendListing(out, item, level + 1);
                out += ";\n";
            }
            appendIndent(out, level);
            out += '}';
            return;
        }
    }
}

// Days since 1970-01-01 of a proleptic Gregorian date, and back.
long long daysFromCivil(long long y, unsigned m, unsigned d) {
    y -= m <= 2 ? 1 : 0;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<long long>(doe) - 719468;
}

void civilFromDays(long long z, long long& y, unsigned& m, unsigned& d) {
    z += 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const auto doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp < 10 ? mp + 3 : mp - 9;
    y = static_cast<long long>(yoe) + era * 400 + (m <= 2 ? 1 : 0);
}

bool isLeapYear(long long y) {
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

unsigned daysInMonth(long long y, unsigned m) {
    static constexpr unsigned kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && isLeapYear(y) ? 29 : kDays[m - 1];
}

// Reads exactly `width` decimal digits at text[pos].
bool readDigits(std::string_view text, std::size_t pos, std::size_t width, unsigned& value) {
    if (pos + width > text.size()) return false;
    value = 0;
    for (std::size_t i = pos; i < pos + width; ++i) {
        const char c = text[i];
        if (c < '0' || c > '9') return false;
        value = value * 10 + static_cast<unsigned>(c - '0');
    }
    return true;
}

}  // namespace

std::string quotedString(std::string_view text) {
    std::string out;
    appendQuoted(out, text);
    return out;
}

std::string formatDomainListing(const plist::Dictionary& domain) {
    std::string out;
    out += "{\n";
    for (const auto& [key, item] : domain) {
        out += "    ";
        appendQuoted(out, key);
        out += " = ";
        appendListing(out, item, 1);
        out += ";\n";
    }
    out += '}';
    return out;
}

std::string formatValueForRead(const plist::Value& value) {
    using Type = plist::Value::Type;
    switch (value.type()) {
        case Type::String: return *value.asString();
        case Type::Integer: return std::to_string(value.integer());
        case Type::Real: return realText(value);
        case Type::DateType: return formatDate(*value.asDate());
        case Type::DictionaryType: return formatDomainListing(*value.asDictionary());
        default: {
            std::string out;
            appendListing(out, value, 0);
            return out;
        }
    }
}

std::string formatReal(double value, bool single) {
    // As NSNumber describes itself: %0.16g for a double, %0.7g for a float.
    char buf[64];
    std::snprintf(buf, sizeof buf, single ? "%.7g" : "%.16g", value);
    return buf;
}

std::string formatData(const plist::Data& data) {
    std::string out = "{length = " + std::to_string(data.size()) + ", bytes = 0x";
    const auto hex = [&out](std::uint8_t b) {
        out += kHexDigits[b >> 4];
        out += kHexDigits[b & 0xF];
    };
    if (data.size() <= 24) {
        for (std::uint8_t b : data) hex(b);
        out += '}';
        return out;
    }
    for (std::size_t i = 0; i < 16; ++i) {
        hex(data[i]);
        if (i % 4 == 3) out += ' ';
    }
    out += "... ";
    for (std::size_t i = 0; i < 8; ++i) {
        hex(data[data.size() - 8 + i]);
        if (i % 4 == 3) out += ' ';
    }
    out += '}';
    return out;
}

std::string formatDate(const plist::Date& date) {
    double seconds = std::floor(date.secondsSince1970);
    // Far outside any real date; keeps the conversion below defined.
    if (!(seconds > -1e15)) seconds = -1e15;
    if (seconds > 1e15) seconds = 1e15;
    const auto total = static_cast<long long>(seconds);
    long long days = total / 86400;
    long long rest = total % 86400;
    if (rest < 0) {
        rest += 86400;
        --days;
    }
    long long year = 0;
    unsigned month = 0, day = 0;
    civilFromDays(days, year, month, day);
    char buf[64];
    std::snprintf(buf, sizeof buf, "%04lld-%02u-%02u %02lld:%02lld:%02lld +0000", year, month, day,
                  rest / 3600, rest / 60 % 60, rest % 60);
    return buf;
}

std::optional<plist::Date> parseDate(std::string_view text) {
    // 0123456789012345678901234
    // YYYY-MM-DD HH:MM:SS +HHMM   or   YYYY-MM-DDTHH:MM:SSZ
    unsigned year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    if (text.size() < 20 || !readDigits(text, 0, 4, year) || text[4] != '-' ||
        !readDigits(text, 5, 2, month) || text[7] != '-' || !readDigits(text, 8, 2, day) ||
        !readDigits(text, 11, 2, hour) || text[13] != ':' || !readDigits(text, 14, 2, minute) ||
        text[16] != ':' || !readDigits(text, 17, 2, second)) {
        return std::nullopt;
    }
    long offsetMinutes = 0;
    if (text[10] == 'T' && text.size() == 20 && text[19] == 'Z') {
        offsetMinutes = 0;
    } else if (text[10] == ' ' && text.size() == 25 && text[19] == ' ' &&
               (text[20] == '+' || text[20] == '-')) {
        unsigned oh = 0, om = 0;
        if (!readDigits(text, 21, 2, oh) || !readDigits(text, 23, 2, om) || oh > 23 || om > 59)
            return std::nullopt;
        offsetMinutes = static_cast<long>(oh * 60 + om) * (text[20] == '-' ? -1 : 1);
    } else {
        return std::nullopt;
    }
    if (month < 1 || month > 12 || day < 1 || day > daysInMonth(year, month) || hour > 23 || minute > 59 ||
        second > 59) {
        return std::nullopt;
    }
    const long long days = daysFromCivil(year, month, day);
    const long long seconds = days * 86400 + hour * 3600LL + minute * 60LL + second - offsetMinutes * 60LL;
    return plist::Date{static_cast<double>(seconds)};
}

}  // namespace sim
