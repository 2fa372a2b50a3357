// Lenient readings of definition rows and application records for the windows. Rows
// come from stored data that an outside edit may have damaged, so every reading has a
// safe answer: a missing or odd value reads as absent, empty or off.
#pragma once

#include <QString>
#include <cstdint>
#include <optional>
#include <string_view>

#include "base/plist/Value.h"

namespace lendmode::ui {

// The member of a row under a key; nullptr when the row is no dictionary or lacks it.
inline const plist::Value* member(const plist::Value& row, std::string_view key) {
    return row.find(key);
}

// Text of a string value; the empty text for anything else.
inline QString textOf(const plist::Value* value) {
    const std::string* s = value ? value->asString() : nullptr;
    return s ? QString::fromStdString(*s) : QString();
}

// A number (or a text holding one) as an integer; absent for other kinds of value.
inline std::optional<std::int64_t> integerOf(const plist::Value* value) {
    if (!value || !(value->isNumber() || value->isString())) return std::nullopt;
    if (value->isReal() && !(value->real() == value->real())) return std::nullopt;  // NaN
    return value->integerValue();
}

inline std::optional<double> doubleOf(const plist::Value* value) {
    if (!value || !(value->isNumber() || value->isString())) return std::nullopt;
    const double d = value->doubleValue();
    if (!(d == d)) return std::nullopt;  // NaN
    return d;
}

// A truth value: any non-zero number; absent reads as off.
inline bool truthOf(const plist::Value* value) {
    return value && value->truthValue();
}

// The same for a value read through Preferences::valueForKey.
inline std::optional<std::int64_t> integerOf(const std::optional<plist::Value>& value) {
    return integerOf(value ? &*value : nullptr);
}
inline bool truthOf(const std::optional<plist::Value>& value) {
    return truthOf(value ? &*value : nullptr);
}

// An application record: [name, disabled flag, bundle path]. Missing elements read as
// the empty name, off and the empty path.
inline const plist::Value* recordElement(const plist::Value& record, std::size_t i) {
    const plist::Array* a = record.asArray();
    return a && i < a->size() ? &(*a)[i] : nullptr;
}
inline QString recordName(const plist::Value& record) {
    return textOf(recordElement(record, 0));
}
inline bool recordFlag(const plist::Value& record) {
    return truthOf(recordElement(record, 1));
}
inline QString recordPath(const plist::Value& record) {
    return textOf(recordElement(record, 2));
}

}  // namespace lendmode::ui
