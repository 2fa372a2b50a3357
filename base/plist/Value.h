// One value type for every property-list value the program handles: the settings
// model, the user-defaults store and the simulated Mac all speak it.
//
// Values are regular C++ values: copying one copies the whole tree (a deep copy), and
// == compares the whole tree. Copying, comparing and destroying recurse through the
// tree; every reader refuses lists nested deeper than kMaxNesting (Limits.h), so a
// value from outside stays a few hundred levels deep. Dictionaries keep their keys sorted, which makes the
// enumeration order of a dictionary the same everywhere (files, listings, commands).
//
// A real remembers whether it is a 4-byte real (a C float: what `defaults write -float`
// stores) or an 8-byte one; the width decides how it prints and how a binary file
// stores it. Like an integer and a real of the same number, a 4-byte and an 8-byte
// real are different values even when their numbers agree: they print and store
// differently.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace plist {

class Value;

using Array = std::vector<Value>;
using Dictionary = std::map<std::string, Value, std::less<>>;
using Data = std::vector<std::uint8_t>;

// A point in time, in seconds since 1970-01-01 00:00:00 UTC.
struct Date {
    double secondsSince1970 = 0;
    friend bool operator==(const Date&, const Date&) = default;
};

class Value {
public:
    enum class Type { String, Integer, Real, Boolean, DateType, DataType, ArrayType, DictionaryType };

    Value() : v_(std::string()) {}
    Value(std::string s) : v_(std::move(s)) {}
    Value(const char* s) : v_(std::string(s)) {}
    Value(std::string_view s) : v_(std::string(s)) {}
    Value(bool b) : v_(b) {}
    Value(int i) : v_(static_cast<std::int64_t>(i)) {}
    Value(long i) : v_(static_cast<std::int64_t>(i)) {}
    Value(long long i) : v_(static_cast<std::int64_t>(i)) {}
    Value(unsigned i) : v_(static_cast<std::int64_t>(i)) {}
    Value(unsigned long i) : v_(static_cast<std::int64_t>(i)) {}
    Value(unsigned long long i) : v_(static_cast<std::int64_t>(i)) {}
    Value(double d) : v_(Real{d, false}) {}
    // A 4-byte real; Value(double) makes an 8-byte one.
    static Value singleReal(float f) {
        Value v;
        v.v_ = Real{f, true};
        return v;
    }
    Value(plist::Date d) : v_(d) {}
    Value(plist::Data d) : v_(std::move(d)) {}
    Value(plist::Array a) : v_(std::move(a)) {}
    Value(plist::Dictionary d) : v_(DictionaryBox(std::move(d))) {}

    Type type() const { return static_cast<Type>(v_.index()); }

    bool isString() const { return type() == Type::String; }
    bool isInteger() const { return type() == Type::Integer; }
    bool isReal() const { return type() == Type::Real; }
    bool isBoolean() const { return type() == Type::Boolean; }
    bool isDate() const { return type() == Type::DateType; }
    bool isData() const { return type() == Type::DataType; }
    bool isArray() const { return type() == Type::ArrayType; }
    bool isDictionary() const { return type() == Type::DictionaryType; }
    // Integer, real or boolean: what Foundation would hold in an NSNumber.
    bool isNumber() const { return isInteger() || isReal() || isBoolean(); }
    // A real held in 4 bytes.
    bool isSingleReal() const { return isReal() && std::get<Real>(v_).single; }

    // Typed access; nullptr when the value is of another type.
    const std::string* asString() const { return std::get_if<std::string>(&v_); }
    std::string* asString() { return std::get_if<std::string>(&v_); }
    const plist::Array* asArray() const { return std::get_if<plist::Array>(&v_); }
    plist::Array* asArray() { return std::get_if<plist::Array>(&v_); }
    const plist::Dictionary* asDictionary() const {
        const auto* box = std::get_if<DictionaryBox>(&v_);
        return box ? &box->get() : nullptr;
    }
    plist::Dictionary* asDictionary() {
        auto* box = std::get_if<DictionaryBox>(&v_);
        return box ? &box->get() : nullptr;
    }
    const plist::Data* asData() const { return std::get_if<plist::Data>(&v_); }
    const plist::Date* asDate() const { return std::get_if<plist::Date>(&v_); }

    // Raw scalar access; only meaningful when the type matches.
    std::int64_t integer() const { return std::get<std::int64_t>(v_); }
    double real() const { return std::get<Real>(v_).value; }
    bool boolean() const { return std::get<bool>(v_); }

    // Lenient readings in the manner of Foundation's boolValue and integerValue:
    // numbers by value, strings by their leading number ("YES"/"true" for booleans),
    // everything else false or 0.
    bool truthValue() const;
    std::int64_t integerValue() const;
    double doubleValue() const;

    // Dictionary member lookup; nullptr when this is not a dictionary or has no such key.
    const Value* find(std::string_view key) const;
    Value* find(std::string_view key);

    friend bool operator==(const Value& a, const Value& b) { return a.v_ == b.v_; }

private:
    // A dictionary held by pointer and copied deeply, so that every value is as narrow
    // as a string: a map is 48 bytes wide, and an application record holds three values.
    class DictionaryBox {
    public:
        explicit DictionaryBox(plist::Dictionary d) : p_(std::make_unique<plist::Dictionary>(std::move(d))) {}
        DictionaryBox(const DictionaryBox& other) : p_(std::make_unique<plist::Dictionary>(other.get())) {}
        DictionaryBox(DictionaryBox&&) noexcept = default;
        DictionaryBox& operator=(const DictionaryBox& other) {
            if (this != &other) p_ = std::make_unique<plist::Dictionary>(other.get());
            return *this;
        }
        DictionaryBox& operator=(DictionaryBox&&) noexcept = default;
        ~DictionaryBox() = default;
        // A box moved from reads as an empty dictionary.
        const plist::Dictionary& get() const { return p_ ? *p_ : empty(); }
        plist::Dictionary& get() {
            if (!p_) p_ = std::make_unique<plist::Dictionary>();
            return *p_;
        }
        friend bool operator==(const DictionaryBox& a, const DictionaryBox& b) { return a.get() == b.get(); }

    private:
        static const plist::Dictionary& empty();
        std::unique_ptr<plist::Dictionary> p_;
    };

    struct Real {
        double value;
        bool single;  // 4 bytes wide; value holds the float exactly
        friend bool operator==(const Real&, const Real&) = default;
    };

    std::variant<std::string, std::int64_t, Real, bool, plist::Date, plist::Data, plist::Array, DictionaryBox>
        v_;
};

// The integer formed by the leading decimal digits of a text, after optional white
// space and a sign; 0 when there are none. This is how the system reads tool outputs.
std::int64_t leadingInteger(std::string_view text);

}  // namespace plist
