// Errors and results as osascript prints them, and AppleScript's wording of object
// specifiers.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "base/Utf8.h"
#include "sim/applescript/Syntax.h"

namespace sim::applescript {
namespace {

// Characters in the first `bytes` bytes of UTF-8 text.
std::size_t characterOffset(const std::string& text, std::size_t bytes) {
    std::size_t count = 0;
    for (std::size_t i = 0; i < bytes && i < text.size(); ++count) lendmode::nextCodePoint(text, i);
    return count;
}

const char* className(Element::Class cls) {
    switch (cls) {
        case Element::Class::DockPreferences: return "dock preferences";
        case Element::Class::AppearancePreferences: return "appearance preferences";
        case Element::Class::Process: return "process";
        case Element::Class::Window: return "window";
        case Element::Class::TabGroup: return "tab group";
        case Element::Class::Checkbox: return "checkbox";
        case Element::Class::Pane: return "pane";
        case Element::Class::Anchor: return "anchor";
    }
    return "item";
}

// AppleScript shows a real with 12 significant digits and at least one after the
// point (2.0, 0.333333333333); from 10000 up and from 0.0001 down as a mantissa and
// an exponent (1.0E+4, -1.23456E+4, 1.0E-4).
std::string formatReal(double d) {
    if (std::isnan(d)) return "NaN";
    if (std::isinf(d)) return d > 0 ? "1.0E+308" : "-1.0E+308";
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.11e", d);  // rounds to 12 digits: -1.23456000000e+04
    std::string text = buf;
    const std::size_t e = text.find('e');
    const int exponent = std::atoi(text.c_str() + e + 1);
    if (exponent > -4 && exponent < 4) {
        std::snprintf(buf, sizeof buf, "%.*f", 11 - exponent, d);
        text = buf;
    } else {
        text.resize(e);
    }
    // Trailing zeros go, down to one after the point.
    while (text.back() == '0' && text[text.size() - 2] != '.') text.pop_back();
    if (exponent > -4 && exponent < 4) return text;
    return text + (exponent < 0 ? "E-" : "E+") + std::to_string(std::abs(exponent));
}

void append(std::string& out, const plist::Value& value) {
    switch (value.type()) {
        case plist::Value::Type::String: out += *value.asString(); break;
        case plist::Value::Type::Integer: out += std::to_string(value.integer()); break;
        case plist::Value::Type::Real: out += formatReal(value.real()); break;
        case plist::Value::Type::Boolean: out += value.boolean() ? "true" : "false"; break;
        case plist::Value::Type::DateType: {
            const auto seconds = static_cast<std::time_t>(std::floor(value.asDate()->secondsSince1970));
            std::tm tm{};
            gmtime_r(&seconds, &tm);
            char buf[64];
            std::strftime(buf, sizeof buf, "date %Y-%m-%d %H:%M:%S +0000", &tm);
            out += buf;
            break;
        }
        case plist::Value::Type::DataType: {
            out += "«data ";
            char hex[3];
            for (std::uint8_t b : *value.asData()) {
                std::snprintf(hex, sizeof hex, "%02X", b);
                out += hex;
            }
            out += "»";
            break;
        }
        case plist::Value::Type::ArrayType: {
            bool first = true;
            for (const plist::Value& item : *value.asArray()) {
                if (!first) out += ", ";
                first = false;
                append(out, item);
            }
            break;
        }
        case plist::Value::Type::DictionaryType: {
            bool first = true;
            for (const auto& [key, item] : *value.asDictionary()) {
                if (!first) out += ", ";
                first = false;
                out += key + ":";
                append(out, item);
            }
            break;
        }
    }
}

}  // namespace

Error makeError(Error::Kind kind, int number, std::string message, Range range, const std::string& source) {
    Error e;
    e.kind = kind;
    e.number = number;
    e.message = std::move(message);
    e.start = characterOffset(source, range.start);
    e.end = characterOffset(source, range.end);
    return e;
}

std::string Error::describe() const {
    return std::to_string(start) + ":" + std::to_string(end) + ": " +
           (kind == Kind::Syntax ? "syntax error: " : "execution error: ") + message + " (" +
           std::to_string(number) + ")";
}

std::string formatResult(const plist::Value& value) {
    std::string out;
    append(out, value);
    return out;
}

std::string quoted(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\') out += '\\';
        out += c;
    }
    return out + "\"";
}

std::string describePath(const ObjectPath& path) {
    std::string out;
    for (auto it = path.rbegin(); it != path.rend(); ++it) {
        if (!out.empty()) out += " of ";
        out += className(it->cls);
        switch (it->key) {
            case Element::Key::None: break;
            case Element::Key::Index: out += " " + std::to_string(it->index); break;
            case Element::Key::Name: out += " " + quoted(it->name); break;
            case Element::Key::Id: out += " id " + quoted(it->name); break;
        }
    }
    return out;
}

}  // namespace sim::applescript
