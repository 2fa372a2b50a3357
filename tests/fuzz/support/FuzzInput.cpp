#include "tests/fuzz/support/FuzzInput.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "base/AppleEpoch.h"

namespace fuzz {
namespace {

constexpr std::size_t kShownBytes = 3000;

bool sameReal(double a, double b) {
    return a == b || (std::isnan(a) && std::isnan(b));
}

void showInto(std::string& out, const plist::Value& value) {
    using Type = plist::Value::Type;
    if (out.size() > kShownBytes) return;
    switch (value.type()) {
        case Type::String: out += '"' + showBytes(*value.asString()) + '"'; return;
        case Type::Integer: out += std::to_string(value.integer()); return;
        case Type::Real: {
            char buf[64];
            std::snprintf(buf, sizeof buf, value.isSingleReal() ? "%.9gf" : "%.17g", value.real());
            out += buf;
            return;
        }
        case Type::Boolean: out += value.boolean() ? "YES" : "NO"; return;
        case Type::DateType: {
            char buf[64];
            std::snprintf(buf, sizeof buf, "date(%.17g)", value.asDate()->secondsSince1970);
            out += buf;
            return;
        }
        case Type::DataType: {
            const plist::Data& data = *value.asData();
            out += "<data " +
                   showBytes(std::string_view(reinterpret_cast<const char*>(data.data()), data.size())) + ">";
            return;
        }
        case Type::ArrayType: {
            out += '(';
            const char* separator = "";
            for (const plist::Value& item : *value.asArray()) {
                out += separator;
                showInto(out, item);
                separator = ", ";
            }
            out += ')';
            return;
        }
        case Type::DictionaryType: {
            out += '{';
            const char* separator = "";
            for (const auto& [key, item] : *value.asDictionary()) {
                out += separator;
                out += '"' + showBytes(key) + "\" = ";
                showInto(out, item);
                separator = "; ";
            }
            out += '}';
            return;
        }
    }
}

}  // namespace

void fail(std::string_view property, std::string_view detail) {
    std::fprintf(stderr, "\n*** fuzz property broken: %.*s\n", static_cast<int>(property.size()),
                 property.data());
    if (!detail.empty()) std::fprintf(stderr, "%.*s\n", static_cast<int>(detail.size()), detail.data());
    std::fflush(stderr);
    std::abort();
}

std::uint8_t Input::byte() {
    return at_ < bytes_.size() ? static_cast<std::uint8_t>(bytes_[at_++]) : 0;
}

std::uint64_t Input::number(int n) {
    std::uint64_t v = 0;
    for (int i = 0; i < n && i < 8; ++i) v |= static_cast<std::uint64_t>(byte()) << (8 * i);
    return v;
}

std::size_t Input::below(std::size_t n) {
    if (n <= 1) return 0;
    const int width = n <= 0x100 ? 1 : n <= 0x10000 ? 2 : 4;
    return static_cast<std::size_t>(number(width) % n);
}

std::string Input::bytes(std::size_t maxLength) {
    const std::size_t n = below(maxLength + 1);
    const std::string_view left = rest();
    std::string out(left.substr(0, n));
    at_ += out.size();
    return out;
}

std::string Input::text(std::size_t maxLength) {
    const std::size_t n = below(maxLength + 1);
    std::string out;
    for (std::size_t i = 0; i < n && !empty(); ++i) {
        const std::uint8_t b = byte();
        if (b < 0x80) {
            out += static_cast<char>(b);
            continue;
        }
        // Mostly two- and three-byte sequences, sometimes four.
        char32_t cp = 0;
        switch (b & 3) {
            case 0: cp = 0x80 + static_cast<char32_t>(number(1)) * 7 % 0x780; break;
            case 1:
            case 2: cp = 0x800 + static_cast<char32_t>(number(2)) % 0xF800; break;
            default: cp = 0x10000 + static_cast<char32_t>(number(3)) % 0x100000; break;
        }
        if (cp >= 0xD800 && cp <= 0xDFFF) cp += 0x800;
        appendUtf8(out, cp);
    }
    return out;
}

std::string Input::wordOr(const std::vector<std::string_view>& words, std::size_t maxLength) {
    if (!words.empty() && byte() % 4 != 0) return std::string(words[below(words.size())]);
    return text(maxLength);
}

void appendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

plist::Value makeValue(Input& in, const ValueOptions& options, int depth) {
    const auto text = [&] {
        return options.words ? in.wordOr(*options.words, options.maxText) : in.text(options.maxText);
    };
    const bool containers = depth < options.maxDepth;
    switch (in.byte() % (containers ? 10 : 7)) {
        case 0: return plist::Value(text());
        case 1: {
            // Small numbers often, any 64-bit one sometimes.
            const std::uint8_t kind = in.byte();
            if (kind % 4 != 0) return plist::Value(static_cast<long long>(static_cast<std::int8_t>(kind)));
            return plist::Value(static_cast<long long>(in.number(8)));
        }
        case 2: {
            if (options.singleReals && in.flag()) {
                const auto bits = static_cast<std::uint32_t>(in.number(4));
                float f = 0;
                std::memcpy(&f, &bits, sizeof f);
                return plist::Value::singleReal(f);
            }
            const std::uint64_t bits = in.number(8);
            double d = 0;
            std::memcpy(&d, &bits, sizeof d);
            return plist::Value(d);
        }
        case 3: return plist::Value(in.flag());
        case 4: {
            if (!options.anyDates) {
                const auto seconds = static_cast<std::int32_t>(static_cast<std::uint32_t>(in.number(4)));
                return plist::Value(plist::Date{seconds + lendmode::kAppleEpochOffset});
            }
            // As a reader makes one: a real count of seconds from 2001.
            const std::uint64_t bits = in.number(8);
            double d = 0;
            std::memcpy(&d, &bits, sizeof d);
            return plist::Value(plist::Date{d + lendmode::kAppleEpochOffset});
        }
        case 5: {
            const std::string raw = in.bytes(options.maxText);
            return plist::Value(plist::Data(raw.begin(), raw.end()));
        }
        case 6: return plist::Value(text());
        case 7:
        case 8: {
            plist::Array items;
            const std::size_t n = in.below(options.maxItems + 1);
            for (std::size_t i = 0; i < n; ++i) items.push_back(makeValue(in, options, depth + 1));
            return plist::Value(std::move(items));
        }
        default: {
            plist::Dictionary entries;
            const std::size_t n = in.below(options.maxItems + 1);
            for (std::size_t i = 0; i < n; ++i) {
                std::string key = text();
                entries.insert_or_assign(std::move(key), makeValue(in, options, depth + 1));
            }
            return plist::Value(std::move(entries));
        }
    }
}

bool sameValue(const plist::Value& a, const plist::Value& b) {
    using Type = plist::Value::Type;
    if (a.type() != b.type()) return false;
    switch (a.type()) {
        case Type::Real: return a.isSingleReal() == b.isSingleReal() && sameReal(a.real(), b.real());
        case Type::DateType: return sameReal(a.asDate()->secondsSince1970, b.asDate()->secondsSince1970);
        case Type::ArrayType: {
            const plist::Array& x = *a.asArray();
            const plist::Array& y = *b.asArray();
            if (x.size() != y.size()) return false;
            for (std::size_t i = 0; i < x.size(); ++i) {
                if (!sameValue(x[i], y[i])) return false;
            }
            return true;
        }
        case Type::DictionaryType: {
            const plist::Dictionary& x = *a.asDictionary();
            const plist::Dictionary& y = *b.asDictionary();
            if (x.size() != y.size()) return false;
            for (auto i = x.begin(), j = y.begin(); i != x.end(); ++i, ++j) {
                if (i->first != j->first || !sameValue(i->second, j->second)) return false;
            }
            return true;
        }
        default: return a == b;
    }
}

std::string show(const plist::Value& value) {
    std::string out;
    showInto(out, value);
    if (out.size() > kShownBytes) out = out.substr(0, kShownBytes) + "...";
    return out;
}

std::string showBytes(std::string_view bytes) {
    std::string out;
    for (char c : bytes) {
        if (out.size() > kShownBytes) return out + "...";
        const auto b = static_cast<unsigned char>(c);
        if (b >= 0x20 && b < 0x7F && b != '\\' && b != '"') {
            out += c;
        } else {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\x%02x", b);
            out += buf;
        }
    }
    return out;
}

}  // namespace fuzz
